#include "verify/HashCache.h"

#include <charconv>

#include "common/Text.h"
#include "disc/Crc32.h"

namespace cartovex {

namespace {

constexpr std::string_view MAGIC = "CARTOVEX HASHES 1";
constexpr std::string_view END = "END\t";

template <typename Number>
bool ReadField(std::string_view text, Number& value, int base = 10) {
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

template <size_t N>
bool ReadHex(std::string_view text, std::array<uint8_t, N>& out) {
    if (text.size() != 2 * N) return false;
    for (size_t i = 0; i < N; ++i)
        if (!ReadField(text.substr(2 * i, 2), out[i], 16)) return false;
    return true;
}

std::string Hex32(uint32_t value) {
    static const char* digits = "0123456789abcdef";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = digits[value & 15];
    return text;
}

// A name with a tab or a line end would split its record; such a file is simply hashed each time.
bool FitsInRecord(std::string_view text) {
    return text.find_first_of("\t\r\n") == std::string_view::npos;
}

std::vector<std::string_view> Fields(std::string_view line, size_t count) {
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < count) {
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos) break;
        fields.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    fields.push_back(line);  // the last field (a name) is the rest of the line
    return fields;
}

uint32_t TextCrc(std::string_view text) {
    return Crc32Update(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 0xFFFFFFFFu) ^ 0xFFFFFFFFu;
}

}  // namespace

void HashCache::Load(const Files& files, const std::string& path) {
    entries_.clear();
    damaged_ = false;
    changed_ = false;
    if (!files.Exists(path)) return;
    const auto text = files.ReadFile(path, HASH_CACHE_READ_LIMIT + 1);
    if (!text || text->size() > HASH_CACHE_READ_LIMIT || !Parse(*text)) {
        entries_.clear();
        damaged_ = true;
        changed_ = true;  // written afresh at the end of the run
    }
}

bool HashCache::Parse(std::string_view text) {
    entries_.clear();
    // The END line carries the CRC of everything before it: a cut or edited file is not taken.
    const size_t endAt = text.rfind(END);
    if (endAt == std::string_view::npos || (endAt > 0 && text[endAt - 1] != '\n')) return false;
    std::string_view endLine = text.substr(endAt + END.size());
    if (endLine.empty() || endLine.back() != '\n') return false;
    endLine.remove_suffix(1);
    uint32_t crc = 0;
    if (!ReadField(endLine, crc, 16) || endLine.size() != 8) return false;
    const std::string_view body = text.substr(0, endAt);
    if (TextCrc(body) != crc) return false;

    std::vector<std::string_view> lines;
    for (size_t at = 0; at < body.size();) {
        const size_t next = body.find('\n', at);
        lines.push_back(body.substr(at, next - at));
        at = next + 1;
    }
    if (lines.empty() || lines.front() != MAGIC) return false;
    for (size_t i = 1; i < lines.size();) {
        const auto file = Fields(lines[i++], 7);
        Entry entry;
        size_t count = 0;
        int md5 = 0;
        if (file.size() != 7 || file[0] != "F" || !ReadField(file[1], entry.stamp.size) ||
            !ReadField(file[2], entry.stamp.modified) || !ReadField(file[3], entry.stamp.fileId) ||
            !ReadField(file[4], md5) || md5 > 1 || !ReadField(file[5], count) || count > lines.size() - i)
            return false;
        entry.withMd5 = md5 == 1;
        for (size_t t = 0; t < count; ++t) {
            const auto f = Fields(lines[i++], 9);
            HashedTrack track;
            int audio = 0;
            if (f.size() != 9 || f[0] != "T" || !ReadField(f[1], track.number) || !ReadField(f[2], audio) ||
                audio > 1 || !ReadField(f[3], track.digest.size) || f[4].size() != 8 ||
                !ReadField(f[4], track.digest.crc, 16) || !ReadHex(f[5], track.digest.sha1))
                return false;
            track.audio = audio == 1;
            if (f[6] != "-") {
                Md5Digest md5Digest{};
                if (!ReadHex(f[6], md5Digest)) return false;
                track.digest.md5 = md5Digest;
            }
            if (f[7] != "-") {
                uint32_t stored = 0;
                if (f[7].size() != 8 || !ReadField(f[7], stored, 16)) return false;
                track.storedCrc = stored;
            }
            track.name = std::string(f[8]);
            entry.tracks.push_back(std::move(track));
        }
        entries_[std::string(file[6])] = std::move(entry);
    }
    return true;
}

std::string HashCache::Text() const {
    std::string text(MAGIC);
    text += '\n';
    for (const auto& [path, entry] : entries_) {
        text += "F\t" + std::to_string(entry.stamp.size) + "\t" + std::to_string(entry.stamp.modified) +
                "\t" + std::to_string(entry.stamp.fileId) + "\t" + (entry.withMd5 ? "1" : "0") + "\t" +
                std::to_string(entry.tracks.size()) + "\t" + path + "\n";
        for (const HashedTrack& track : entry.tracks) {
            text += "T\t" + std::to_string(track.number) + "\t" + (track.audio ? "1" : "0") + "\t" +
                    std::to_string(track.digest.size) + "\t" + Hex32(track.digest.crc) + "\t" +
                    HexDigest(track.digest.sha1) + "\t" +
                    (track.digest.md5 ? HexDigest(*track.digest.md5) : "-") + "\t" +
                    (track.storedCrc ? Hex32(*track.storedCrc) : "-") + "\t" + track.name + "\n";
        }
    }
    text += std::string(END) + Hex32(TextCrc(text)) + "\n";
    return text;
}

std::optional<std::vector<HashedTrack>> HashCache::Find(const std::string& path, const FileStamp& stamp,
                                                        bool needMd5) const {
    const auto found = entries_.find(path);
    if (found == entries_.end() || !(found->second.stamp == stamp) || (needMd5 && !found->second.withMd5))
        return std::nullopt;
    return found->second.tracks;
}

void HashCache::Store(const std::string& path, const FileStamp& stamp, const std::vector<HashedTrack>& tracks,
                      bool withMd5) {
    if (!FitsInRecord(path)) return;
    for (const HashedTrack& track : tracks)
        if (!FitsInRecord(track.name)) return;
    entries_[path] = Entry{stamp, withMd5, tracks};
    changed_ = true;
}

bool HashCache::Save(Files& files, const std::string& path) {
    if (!changed_) return true;
    if (!files.WriteFile(path, Text())) return false;
    changed_ = false;
    return true;
}

}  // namespace cartovex
