// 7z and RAR archives through libarchive. The build defines CARTOVEX_HAVE_LIBARCHIVE for this file
// alone when the library was found; without it (the Windows cross build has no libarchive) both
// kinds are simply not ours, and the analysis rejects them like any other file.
#include "disc/containers/Archive.h"
#include "disc/containers/ArchiveMembers.h"

#if CARTOVEX_HAVE_LIBARCHIVE

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "disc/containers/ArchiveSurvey.h"
#include "disc/containers/PackedArchiveClaims.h"

namespace cartovex {

namespace {

constexpr size_t READ_BLOCK_SIZE = 64 * 1024;

struct SourceReader {
    SourceReader(const ByteSource& s, uint64_t length) : source(s), size(length), block(READ_BLOCK_SIZE) {}

    const ByteSource& source;
    uint64_t size;
    uint64_t pos = 0;
    std::vector<uint8_t> block;
};

la_ssize_t ReadBlock(struct archive*, void* data, const void** buffer) {
    auto* reader = static_cast<SourceReader*>(data);
    *buffer = reader->block.data();
    if (reader->pos >= reader->size) return 0;
    const size_t wanted =
        static_cast<size_t>(std::min<uint64_t>(reader->block.size(), reader->size - reader->pos));
    auto got = reader->source(reader->pos, std::span<uint8_t>(reader->block.data(), wanted));
    if (!got) return ARCHIVE_FATAL;
    reader->pos += *got;
    return static_cast<la_ssize_t>(*got);
}

la_int64_t SkipBytes(struct archive*, void* data, la_int64_t request) {
    auto* reader = static_cast<SourceReader*>(data);
    if (request <= 0) return 0;
    const uint64_t step = std::min<uint64_t>(static_cast<uint64_t>(request), reader->size - reader->pos);
    reader->pos += step;
    return static_cast<la_int64_t>(step);
}

la_int64_t SeekTo(struct archive*, void* data, la_int64_t offset, int whence) {
    auto* reader = static_cast<SourceReader*>(data);
    const la_int64_t base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? static_cast<la_int64_t>(reader->pos)
                                                 : static_cast<la_int64_t>(reader->size);
    // Signed arithmetic on values from a hostile header must not overflow.
    if ((offset > 0 && base > INT64_MAX - offset)) return ARCHIVE_FATAL;
    const la_int64_t target = base + offset;
    if (target < 0 || static_cast<uint64_t>(target) > reader->size) return ARCHIVE_FATAL;
    reader->pos = static_cast<uint64_t>(target);
    return target;
}

class ArchiveReader {
public:
    explicit ArchiveReader(SourceReader& reader) : handle_(archive_read_new()) {
        if (!handle_) return;
        archive_read_support_format_7zip(handle_);
        archive_read_support_format_rar(handle_);
        archive_read_support_format_rar5(handle_);
        archive_read_set_read_callback(handle_, ReadBlock);
        archive_read_set_skip_callback(handle_, SkipBytes);
        archive_read_set_seek_callback(handle_, SeekTo);
        archive_read_set_callback_data(handle_, &reader);
        opened_ = archive_read_open1(handle_) == ARCHIVE_OK;
    }
    ~ArchiveReader() {
        if (handle_) archive_read_free(handle_);
    }
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    bool Opened() const { return handle_ && opened_; }
    struct archive* get() const {
        return handle_;
    }

private:
    struct archive* handle_;
    bool opened_ = false;
};

// The member's first `out.size()` bytes; returns how many came. What a short, broken or unreadable
// member doesn't give stays zero, and a decompression error leaves nothing trustworthy.
size_t ReadMemberStart(struct archive* archive, std::span<uint8_t> out) {
    std::fill(out.begin(), out.end(), uint8_t{0});
    size_t done = 0;
    while (done < out.size()) {
        const la_ssize_t n = archive_read_data(archive, out.data() + done, out.size() - done);
        if (n < 0) {
            std::fill(out.begin(), out.end(), uint8_t{0});
            return 0;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

enum class Walk { WALKED, BROKEN_AT_START };

// Walks the members in the archive's own order and lets the survey say what to read of each.
// Folders, links and devices can carry an image's name too; only a file's bytes are a disc. There
// is no password to offer, and what an encrypted member decrypts to without one is noise. A
// directory that breaks off ends the walk as if nothing followed.
Walk WalkMembers(struct archive* archive, ArchiveSurvey& survey) {
    struct archive_entry* entry = nullptr;
    for (bool first = true;; first = false) {
        const int status = archive_read_next_header(archive, &entry);
        if (status == ARCHIVE_EOF) return Walk::WALKED;
        // A warning (an odd time stamp, a name that doesn't convert) still gives a usable entry.
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN)
            return first ? Walk::BROKEN_AT_START : Walk::WALKED;
        if (archive_entry_filetype(entry) != AE_IFREG) continue;
        const char* name = archive_entry_pathname(entry);
        if (!name) name = archive_entry_pathname_utf8(entry);
        if (!name) continue;
        const ArchiveSurvey::Want want = survey.Member(name);
        if (want == ArchiveSurvey::Want::NOTHING || archive_entry_is_encrypted(entry)) continue;
        if (want == ArchiveSurvey::Want::PREFIX) {
            std::vector<uint8_t> prefix(ArchiveSurvey::PREFIX_SIZE);
            ReadMemberStart(archive, prefix);
            survey.Prefix(prefix);
        } else if (archive_entry_size_is_set(entry) && archive_entry_size(entry) >= 0 &&
                   static_cast<uint64_t>(archive_entry_size(entry)) <= ArchiveSurvey::SHEET_LIMIT) {
            std::vector<uint8_t> text(static_cast<size_t>(archive_entry_size(entry)));
            text.resize(ReadMemberStart(archive, text));
            survey.Sheet(std::string(text.begin(), text.end()));
        }
    }
}

}  // namespace

bool PackedArchivesSupported() {
    return true;
}

ArchiveReadResult ReadPackedArchiveHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header,
                                              ContainerContents* contents) {
    if (!PackedArchiveWorthOpening(source, size)) return ArchiveReadResult::NOT_AN_ARCHIVE;
    SourceReader reader(source, size);
    ArchiveReader archive(reader);
    if (!archive.Opened()) return ArchiveReadResult::NOT_AN_ARCHIVE;
    ArchiveSurvey survey(false);
    if (WalkMembers(archive.get(), survey) == Walk::BROKEN_AT_START) return ArchiveReadResult::NOT_AN_ARCHIVE;
    return survey.Result(header, contents);
}

MemberWalk StreamPackedArchiveMembers(const ByteSource& source, uint64_t size, ArchiveMemberSink& sink) {
    const MemberWalk notOne{MemberWalk::Result::NOT_AN_ARCHIVE, "it is not a 7z or RAR archive"};
    if (!PackedArchiveWorthOpening(source, size)) return notOne;
    SourceReader reader(source, size);
    ArchiveReader archive(reader);
    if (!archive.Opened()) return notOne;
    std::vector<uint8_t> piece(size_t{1} << 20);
    struct archive_entry* entry = nullptr;
    for (bool first = true;; first = false) {
        const int status = archive_read_next_header(archive.get(), &entry);
        if (status == ARCHIVE_EOF) return {};
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN)
            return first ? notOne : MemberWalk{MemberWalk::Result::BROKEN, "its directory breaks off"};
        if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_is_encrypted(entry)) continue;
        const char* name = archive_entry_pathname(entry);
        if (!name) name = archive_entry_pathname_utf8(entry);
        if (!name) continue;
        sink.Begin({name, std::nullopt});
        std::optional<std::string> fault;
        for (;;) {
            const la_ssize_t n = archive_read_data(archive.get(), piece.data(), piece.size());
            if (n < 0) {
                fault = "it doesn't unpack";
                break;
            }
            if (n == 0) break;
            sink.Data(std::span<const uint8_t>(piece.data(), static_cast<size_t>(n)));
        }
        sink.End(fault);
        // After a member that doesn't unpack, the stream's place is lost: what follows can't be trusted.
        if (fault) return {MemberWalk::Result::BROKEN, "it breaks off inside " + std::string(name)};
    }
}

}  // namespace cartovex

#else

namespace cartovex {

bool PackedArchivesSupported() {
    return false;
}

ArchiveReadResult ReadPackedArchiveHeaderFrom(const ByteSource&, uint64_t, HeaderBlock&, ContainerContents*) {
    return ArchiveReadResult::NOT_AN_ARCHIVE;
}

MemberWalk StreamPackedArchiveMembers(const ByteSource&, uint64_t, ArchiveMemberSink&) {
    return {MemberWalk::Result::NOT_AN_ARCHIVE, "this build reads no 7z or RAR archives"};
}

}  // namespace cartovex

#endif
