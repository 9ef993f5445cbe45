// 7z and RAR archives through libarchive. The build defines CARTOVEX_HAVE_LIBARCHIVE for this file
// alone when the library was found; without it (the Windows cross build has no libarchive) both
// kinds are simply not ours, and the analysis rejects them like any other file.
#include "disc/containers/Archive.h"

#if CARTOVEX_HAVE_LIBARCHIVE

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "disc/containers/PackedArchiveClaims.h"

namespace cartovex {

namespace {

constexpr size_t READ_BLOCK_SIZE = 64 * 1024;
// The block can stand behind a raw sector's sync and header, so this is all of a member we ever
// ask for: the rest stays packed, whatever size the member claims.
constexpr size_t MEMBER_PREFIX_SIZE = RAW_SECTOR_PREFIX + HEADER_BLOCK_SIZE;

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

// Folders, links and devices can carry an image's name too; only a file's bytes are a disc.
bool IsImageMember(struct archive_entry* entry) {
    if (archive_entry_filetype(entry) != AE_IFREG) return false;
    const char* name = archive_entry_pathname(entry);
    if (!name) name = archive_entry_pathname_utf8(entry);
    return name && HasImageEnding(name);
}

enum class Walk { FOUND, NONE, BROKEN_AT_START };

// Advances to the first image member, in the archive's own order. A directory that breaks off
// ends the walk as if no image followed.
Walk GoToFirstImageMember(struct archive* archive, struct archive_entry*& entry) {
    bool first = true;
    while (true) {
        const int status = archive_read_next_header(archive, &entry);
        if (status == ARCHIVE_EOF) return Walk::NONE;
        // A warning (an odd time stamp, a name that doesn't convert) still gives a usable entry.
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN) return first ? Walk::BROKEN_AT_START : Walk::NONE;
        first = false;
        if (IsImageMember(entry)) return Walk::FOUND;
    }
}

// The member's first bytes; what a short, broken or unreadable member doesn't give stays zero.
std::vector<uint8_t> ReadMemberPrefix(struct archive* archive) {
    std::vector<uint8_t> prefix(MEMBER_PREFIX_SIZE, 0);
    size_t done = 0;
    while (done < prefix.size()) {
        const la_ssize_t n = archive_read_data(archive, prefix.data() + done, prefix.size() - done);
        if (n <= 0) {
            // A decompression error leaves nothing trustworthy.
            if (n < 0) std::fill(prefix.begin(), prefix.end(), uint8_t{0});
            break;
        }
        done += static_cast<size_t>(n);
    }
    return prefix;
}

}  // namespace

bool PackedArchivesSupported() {
    return true;
}

ArchiveReadResult ReadPackedArchiveHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header) {
    if (!PackedArchiveWorthOpening(source, size)) return ArchiveReadResult::NOT_AN_ARCHIVE;
    SourceReader reader(source, size);
    ArchiveReader archive(reader);
    if (!archive.Opened()) return ArchiveReadResult::NOT_AN_ARCHIVE;
    struct archive_entry* entry = nullptr;
    switch (GoToFirstImageMember(archive.get(), entry)) {
        case Walk::FOUND:
            break;
        case Walk::NONE:
            return ArchiveReadResult::NO_IMAGE_MEMBER;
        case Walk::BROKEN_AT_START:
            return ArchiveReadResult::NOT_AN_ARCHIVE;
    }
    // There is no password to offer, and what an encrypted member decrypts to without one is noise.
    if (archive_entry_is_encrypted(entry)) return ArchiveReadResult::MEMBER_NOT_SEGA_CD;

    // A cooked image has the block at the member's start, a raw one behind the sector's sync and
    // header: one read of the prefix answers both.
    const std::vector<uint8_t> prefix = ReadMemberPrefix(archive.get());
    for (size_t skip : {size_t{0}, RAW_SECTOR_PREFIX}) {
        HeaderBlock block{};
        std::copy_n(prefix.begin() + static_cast<std::ptrdiff_t>(skip), block.size(), block.begin());
        if (HasSegaId(block)) {
            header = block;
            return ArchiveReadResult::IMAGE_FOUND;
        }
    }
    return ArchiveReadResult::MEMBER_NOT_SEGA_CD;
}

}  // namespace cartovex

#else

namespace cartovex {

bool PackedArchivesSupported() {
    return false;
}

ArchiveReadResult ReadPackedArchiveHeaderFrom(const ByteSource&, uint64_t, HeaderBlock&) {
    return ArchiveReadResult::NOT_AN_ARCHIVE;
}

}  // namespace cartovex

#endif
