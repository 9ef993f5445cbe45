#include "platform/Files.h"

#include "common/Text.h"
#include "platform/FolderNames.h"

namespace cartovex {

std::optional<std::string> Files::ReadFile(const std::string& path, size_t maxBytes) const {
    auto length = FileLength(path);
    if (!length) return std::nullopt;
    std::string data(static_cast<size_t>(std::min<uint64_t>(*length, maxBytes)), '\0');
    if (data.empty()) return data;
    auto read = ReadAt(path, 0, {reinterpret_cast<uint8_t*>(data.data()), data.size()});
    if (!read) return std::nullopt;
    data.resize(*read);
    return data;
}

namespace {

class ReadAtFile : public OpenFile {
public:
    ReadAtFile(const Files& files, std::string path, uint64_t length)
        : files_(files), path_(std::move(path)), length_(length) {}
    uint64_t Length() const override { return length_; }
    std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
        return files_.ReadAt(path_, offset, out);
    }

private:
    const Files& files_;
    std::string path_;
    uint64_t length_;
};

}  // namespace

std::unique_ptr<OpenFile> Files::OpenForReading(const std::string& path, bool) const {
    const auto length = FileLength(path);
    if (!length) return nullptr;
    return std::make_unique<ReadAtFile>(*this, path, *length);
}

bool Files::WriteFileFrom(const std::string& path, const ContentWriter& writer) {
    std::string content;
    const bool complete = writer([&content](std::string_view piece) {
        content += piece;
        return true;
    });
    return complete && WriteFile(path, content);
}

void Files::RemoveStaleScratchFiles(const std::string&) {}

std::optional<FileStamp> Files::Stamp(const std::string&) const {
    return std::nullopt;
}

std::shared_ptr<const FolderNames> Files::CurrentFolderNames() const {
    return std::make_shared<const FolderNames>(ListCurrentFolder("*"));
}

bool PathIsAtOrBelow(std::string_view path, std::string_view base, char separator) {
    if (base.empty() || !path.starts_with(base)) return false;
    return path.size() == base.size() || base.back() == separator || path[base.size()] == separator;
}

std::string Files::Join(std::string_view folder, std::string_view name) const {
    std::string path(folder);
    if (path.empty() || path.back() != Separator()) path += Separator();
    path += name;
    return path;
}

namespace {
bool SameLetter(char a, char b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(a) == lower(b);
}
}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    // Iterative matcher with one backtrack point: linear in practice and without recursion, so a
    // hostile pattern or name can't blow the stack.
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || SameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

namespace {
constexpr std::string_view SCRATCH_PREFIX = ".cartovex-";
constexpr std::string_view SCRATCH_SUFFIX = ".tmp";
constexpr size_t SCRATCH_HOST_LIMIT = 16;

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool AllOf(std::string_view text, bool (*test)(char)) {
    for (char c : text)
        if (!test(c)) return false;
    return true;
}
}  // namespace

std::string ScratchFileName(std::string_view host, unsigned long processId, uint32_t tag) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string tagText(8, '0');
    for (size_t i = 0; i < tagText.size(); ++i) tagText[7 - i] = DIGITS[(tag >> (4 * i)) & 0xf];
    return std::string(SCRATCH_PREFIX) + std::string(host) + "-" + std::to_string(processId) + "-" + tagText +
           std::string(SCRATCH_SUFFIX);
}

std::string ScratchHostPart(std::string_view machineName) {
    std::string host;
    for (char c : machineName)
        if (IsAsciiAlnum(c) && host.size() < SCRATCH_HOST_LIMIT) host += c;
    return host;
}

std::optional<unsigned long> ScratchFileOwner(std::string_view name, std::string_view host) {
    if (!name.starts_with(SCRATCH_PREFIX) || !name.ends_with(SCRATCH_SUFFIX)) return std::nullopt;
    name.remove_prefix(SCRATCH_PREFIX.size());
    name.remove_suffix(SCRATCH_SUFFIX.size());
    // host "-" pid "-" tag; the host holds no "-", so the pieces can't be mistaken.
    const size_t first = name.find('-');
    const size_t second = first == std::string_view::npos ? first : name.find('-', first + 1);
    if (second == std::string_view::npos || name.substr(0, first) != host) return std::nullopt;
    const std::string_view pid = name.substr(first + 1, second - first - 1);
    const std::string_view tag = name.substr(second + 1);
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (pid.empty() || pid.size() > 9 || !AllOf(pid, isDigit) || tag.empty() || !AllOf(tag, IsAsciiAlnum))
        return std::nullopt;
    return std::stoul(std::string(pid));
}

}  // namespace cartovex
