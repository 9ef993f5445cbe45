#include "disc/containers/Archive.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Text.h"
#include "disc/containers/ArchiveMembers.h"
#include "disc/containers/ArchiveSurvey.h"
#include "state/MenuModel.h"

namespace cartovex {

namespace {

// The name buffer is one byte larger than the library is told: it leaves a name that fills the
// buffer unterminated, and we terminate it ourselves.
constexpr uLong NAME_BUFFER_SIZE = 256;
constexpr size_t READ_CACHE_SIZE = 64 * 1024;

// minizip reads the central directory a few bytes at a time; a small cache turns that into a
// handful of reads of the underlying source.
struct SourceStream {
    SourceStream(const ByteSource& s, uint64_t length) : source(s), size(length) {}

    const ByteSource& source;
    uint64_t size;
    uint64_t pos = 0;
    bool failed = false;
    std::vector<uint8_t> cache;
    uint64_t cacheStart = 0;

    size_t Read(uint8_t* out, size_t wanted) {
        size_t done = 0;
        while (done < wanted && pos < size) {
            if (pos < cacheStart || pos >= cacheStart + cache.size()) {
                if (!Fill(wanted - done)) break;
            }
            size_t offset = static_cast<size_t>(pos - cacheStart);
            size_t n = std::min(wanted - done, cache.size() - offset);
            std::memcpy(out + done, cache.data() + offset, n);
            done += n;
            pos += n;
        }
        return done;
    }

    // The directory is searched for backwards from the archive's end, so a read before the cached
    // window fills the window that ends where this read ends.
    bool Fill(size_t wanted) {
        uint64_t start = pos;
        if (!cache.empty() && pos < cacheStart)
            start = pos + wanted > READ_CACHE_SIZE ? pos + wanted - READ_CACHE_SIZE : 0;
        cache.resize(static_cast<size_t>(std::min<uint64_t>(READ_CACHE_SIZE, size - start)));
        auto got = source(start, cache);
        if (!got || start + *got <= pos) {
            failed = !got;
            cache.clear();
            return false;
        }
        cache.resize(*got);
        cacheStart = start;
        return true;
    }
};

voidpf ZCALLBACK OpenStream(voidpf opaque, const void*, int mode) {
    return (mode & ZLIB_FILEFUNC_MODE_READ) ? opaque : nullptr;
}
uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buf, uLong size) {
    return static_cast<uLong>(static_cast<SourceStream*>(stream)->Read(static_cast<uint8_t*>(buf), size));
}
uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) {
    return 0;
}
ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) {
    return static_cast<SourceStream*>(stream)->pos;
}
long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* s = static_cast<SourceStream*>(stream);
    uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET   ? 0
                    : origin == ZLIB_FILEFUNC_SEEK_CUR ? s->pos
                                                       : s->size;
    if (offset > s->size || base > s->size - offset) return -1;
    s->pos = base + offset;
    return 0;
}
int ZCALLBACK CloseStream(voidpf, voidpf) {
    return 0;
}
int ZCALLBACK StreamError(voidpf, voidpf stream) {
    return static_cast<SourceStream*>(stream)->failed ? 1 : 0;
}

class ArchiveHandle {
public:
    explicit ArchiveHandle(SourceStream& stream) {
        zlib_filefunc64_def functions{};
        functions.zopen64_file = OpenStream;
        functions.zread_file = ReadStream;
        functions.zwrite_file = WriteStream;
        functions.ztell64_file = TellStream;
        functions.zseek64_file = SeekStream;
        functions.zclose_file = CloseStream;
        functions.zerror_file = StreamError;
        functions.opaque = &stream;
        handle_ = unzOpen2_64("archive", &functions);
    }
    ~ArchiveHandle() {
        if (handle_) unzClose(handle_);
    }
    ArchiveHandle(const ArchiveHandle&) = delete;
    ArchiveHandle& operator=(const ArchiveHandle&) = delete;
    unzFile get() const { return handle_; }

private:
    unzFile handle_ = nullptr;
};

// A name is judged by its whole text: one too long for the buffer, or with a NUL inside, could end
// in anything, so it is no member we look at.
bool IsUsableName(const char* name, uLong fullLength) {
    return fullLength <= NAME_BUFFER_SIZE && std::strlen(name) == fullLength;
}

// Reads up to `out.size()` decompressed bytes of the current member: only that much is ever
// inflated, whatever the member's size. Returns how many came; a broken or encrypted member gives
// nothing trustworthy, so nothing.
size_t ReadMemberStart(unzFile zip, std::span<uint8_t> out) {
    std::fill(out.begin(), out.end(), uint8_t{0});
    if (unzOpenCurrentFile(zip) != UNZ_OK) return 0;
    size_t done = 0;
    while (done < out.size()) {
        const int n = unzReadCurrentFile(zip, out.data() + done, static_cast<unsigned>(out.size() - done));
        if (n < 0) {
            std::fill(out.begin(), out.end(), uint8_t{0});
            done = 0;
        }
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    unzCloseCurrentFile(zip);
    return done;
}

// Walks every member in the archive's own order and lets the survey say what to read of each.
// A directory that breaks off ends the walk as if nothing followed.
void WalkMembers(unzFile zip, ArchiveSurvey& survey) {
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[NAME_BUFFER_SIZE + 1] = {};
        if (unzGetCurrentFileInfo64(zip, &info, name, NAME_BUFFER_SIZE, nullptr, 0, nullptr, 0) != UNZ_OK)
            return;
        name[NAME_BUFFER_SIZE] = '\0';
        if (!IsUsableName(name, info.size_filename)) continue;
        const std::string_view member(name, info.size_filename);
        if (member.empty() || member.back() == '/') continue;  // a folder entry
        switch (survey.Member(member)) {
            case ArchiveSurvey::Want::PREFIX: {
                std::vector<uint8_t> prefix(ArchiveSurvey::PREFIX_SIZE);
                ReadMemberStart(zip, prefix);
                survey.Prefix(prefix);
                break;
            }
            case ArchiveSurvey::Want::WHOLE:
                if (info.uncompressed_size <= ArchiveSurvey::SHEET_LIMIT) {
                    std::vector<uint8_t> text(static_cast<size_t>(info.uncompressed_size));
                    text.resize(ReadMemberStart(zip, text));
                    survey.Sheet(std::string(text.begin(), text.end()));
                }
                break;
            case ArchiveSurvey::Want::NOTHING:
                break;
        }
    }
}

}  // namespace

bool HasImageEnding(std::string_view name) {
    const std::string ending = AsciiLower(name.substr(name.size() >= 3 ? name.size() - 3 : 0));
    return ending == "iso" || ending == "raw" || ending == "bin";
}

bool HasSegaId(const HeaderBlock& block) {
    std::string_view window(reinterpret_cast<const char*>(block.data()), 16);
    return window.find("SEGA") != std::string_view::npos;
}

ArchiveReadResult ReadArchiveHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header,
                                        ContainerContents* contents) {
    SourceStream stream(source, size);
    ArchiveHandle zip(stream);
    if (!zip.get()) return ArchiveReadResult::NOT_AN_ARCHIVE;
    ArchiveSurvey survey(true);
    WalkMembers(zip.get(), survey);
    return survey.Result(header, contents);
}

ArchiveReadResult ReadArchiveHeaderFrom(std::span<const uint8_t> archive, HeaderBlock& header,
                                        ContainerContents* contents) {
    return ReadArchiveHeaderFrom(MemorySource(archive), archive.size(), header, contents);
}

ArchiveReadResult ReadPackedArchiveHeaderFrom(std::span<const uint8_t> archive, HeaderBlock& header,
                                              ContainerContents* contents) {
    return ReadPackedArchiveHeaderFrom(MemorySource(archive), archive.size(), header, contents);
}

namespace {

// Member names with their folders can run longer than an image's own name.
constexpr uLong MEMBER_PATH_BUFFER_SIZE = 4096;
constexpr size_t MEMBER_PIECE_SIZE = size_t{1} << 20;
// PKZIP's general-purpose flag for an encrypted member.
constexpr uLong ZIP_ENCRYPTED = 1;

// Hands the current member to `sink`: inflated piece by piece into one buffer. minizip checks the
// member's CRC-32 when it is closed, after its last byte.
void StreamMember(unzFile zip, std::vector<uint8_t>& piece, ArchiveMemberSink& sink) {
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        sink.End("it can't be unpacked");
        return;
    }
    std::optional<std::string> fault;
    for (;;) {
        const int n = unzReadCurrentFile(zip, piece.data(), static_cast<unsigned>(piece.size()));
        if (n < 0) {
            fault = "it doesn't unpack";
            break;
        }
        if (n == 0) break;
        sink.Data(std::span<const uint8_t>(piece.data(), static_cast<size_t>(n)));
    }
    const int closed = unzCloseCurrentFile(zip);
    if (!fault && closed == UNZ_CRCERROR) fault = "it fails its CRC";
    sink.End(fault);
}

}  // namespace

MemberWalk StreamZipMembers(const ByteSource& source, uint64_t size, ArchiveMemberSink& sink) {
    SourceStream stream(source, size);
    ArchiveHandle zip(stream);
    if (!zip.get()) return {MemberWalk::Result::NOT_AN_ARCHIVE, "it is not a ZIP archive"};
    std::vector<uint8_t> piece(MEMBER_PIECE_SIZE);
    int status = unzGoToFirstFile(zip.get());
    for (; status == UNZ_OK; status = unzGoToNextFile(zip.get())) {
        unz_file_info64 info{};
        std::vector<char> name(MEMBER_PATH_BUFFER_SIZE + 1, '\0');
        if (unzGetCurrentFileInfo64(zip.get(), &info, name.data(), MEMBER_PATH_BUFFER_SIZE, nullptr, 0,
                                    nullptr, 0) != UNZ_OK)
            return {MemberWalk::Result::BROKEN, "its directory breaks off"};
        if (info.size_filename > MEMBER_PATH_BUFFER_SIZE || std::strlen(name.data()) != info.size_filename)
            continue;  // a name that can't be told whole names nothing we could match
        const std::string member(name.data(), info.size_filename);
        if (member.empty() || member.back() == '/' || (info.flag & ZIP_ENCRYPTED)) continue;
        sink.Begin({member, static_cast<uint32_t>(info.crc)});
        StreamMember(zip.get(), piece, sink);
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) return {MemberWalk::Result::BROKEN, "its directory breaks off"};
    return {};
}

int16_t ReadArchiveHeader(Program& program) {
    Files& files = program.files();
    const std::string& name = program.disc.fileName;
    const auto size = files.FileLength(name);  // nothing for anything but an ordinary file
    if (!size) return NONE_VALUE;
    ByteSource source = [&](uint64_t offset, std::span<uint8_t> out) {
        return files.ReadAt(name, offset, out);
    };
    ContainerContents contents;
    const ArchiveReadResult result =
        program.disc.extension == "zip"
            ? ReadArchiveHeaderFrom(source, *size, program.disc.header, &contents)
            : ReadPackedArchiveHeaderFrom(source, *size, program.disc.header, &contents);
    if (result == ArchiveReadResult::IMAGE_FOUND) program.disc.contents = contents;
    switch (result) {
        case ArchiveReadResult::IMAGE_FOUND:
            return 1;
        case ArchiveReadResult::MEMBER_NOT_SEGA_CD:
            program.pane.AppendLine("This archive does not contain any Sega CD Image! File will be ignored.");
            program.window().EnableControl(ID_PROCESS_BUTTON, false);
            return NONE_VALUE;
        case ArchiveReadResult::NOT_AN_ARCHIVE:
        case ArchiveReadResult::NO_IMAGE_MEMBER:
            break;
    }
    return NONE_VALUE;
}

}  // namespace cartovex
