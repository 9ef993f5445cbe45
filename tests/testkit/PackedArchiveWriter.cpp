#include "testkit/PackedArchiveWriter.h"

#include "disc/Crc32.h"

#if CARTOVEX_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#endif

namespace cartovex::testkit {

namespace {

uint32_t Crc(std::string_view bytes) {
    return Crc32Update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0xFFFFFFFFu) ^
           0xFFFFFFFFu;
}

void Put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A block: its CRC (the low half of the CRC-32 of everything after the CRC field), then the rest.
std::string Block(const std::string& afterCrc) {
    std::string block;
    Put16(block, Crc(afterCrc) & 0xFFFF);
    return block + afterCrc;
}

//   RAR 4 file header, after HEAD_CRC:
//   type 0x74, flags (2), header size (2), packed size (4), unpacked size (4), host OS (1),
//   file CRC (4), DOS time (4), version needed (1), method (1, 0x30 = stored), name size (2),
//   attributes (4), [high packed and unpacked size (4 + 4) with flag 0x100], name.
constexpr uint16_t FLAG_ENCRYPTED = 0x0004;
constexpr uint16_t FLAG_DIRECTORY = 0x00E0;
constexpr uint16_t FLAG_LARGE = 0x0100;
constexpr uint16_t FLAG_LONG_BLOCK = 0x8000;

std::string FileBlock(const PackedMember& member) {
    const uint64_t unpacked = member.claimedSize.value_or(member.content.size());
    const uint64_t packed = member.content.size();
    uint16_t flags = FLAG_LONG_BLOCK;
    if (member.folder) flags |= FLAG_DIRECTORY;
    if (member.encrypted) flags |= FLAG_ENCRYPTED;
    const bool large = unpacked > 0xFFFFFFFFu || packed > 0xFFFFFFFFu;
    if (large) flags |= FLAG_LARGE;
    const size_t headerSize = 32 + (large ? 8 : 0) + member.name.size();

    std::string header;
    header += '\x74';
    Put16(header, flags);
    Put16(header, static_cast<uint32_t>(headerSize));
    Put32(header, static_cast<uint32_t>(packed));
    Put32(header, static_cast<uint32_t>(unpacked));
    header += '\x00';  // MS-DOS
    Put32(header, Crc(member.content));
    Put32(header, 0x5A210000);  // 1 January 2025
    header += '\x1D';           // RAR 2.9
    header += '\x30';           // stored
    Put16(header, static_cast<uint32_t>(member.name.size()));
    Put32(header, member.folder ? 0x10 : 0x20);
    if (large) {
        Put32(header, static_cast<uint32_t>(packed >> 32));
        Put32(header, static_cast<uint32_t>(unpacked >> 32));
    }
    header += member.name;
    return Block(header) + member.content;
}

}  // namespace

std::string BuildRar4(const std::vector<PackedMember>& members, bool withEnd) {
    std::string archive("Rar!\x1A\x07\x00", 7);
    std::string main;
    main += '\x73';
    Put16(main, 0);
    Put16(main, 13);
    Put16(main, 0);
    Put32(main, 0);
    archive += Block(main);
    for (const PackedMember& member : members) archive += FileBlock(member);
    if (withEnd) {
        std::string end;
        end += '\x7B';
        Put16(end, 0x4000);
        Put16(end, 7);
        archive += Block(end);
    }
    return archive;
}

#if CARTOVEX_HAVE_LIBARCHIVE

namespace {

la_ssize_t Append(struct archive*, void* data, const void* buffer, size_t length) {
    static_cast<std::string*>(data)->append(static_cast<const char*>(buffer), length);
    return static_cast<la_ssize_t>(length);
}

}  // namespace

std::string Build7z(const std::vector<PackedMember>& members, bool compress) {
    std::string archive;
    struct archive* writer = archive_write_new();
    bool ok = writer && archive_write_set_format_7zip(writer) == ARCHIVE_OK &&
              archive_write_set_format_option(writer, "7zip", "compression", compress ? "lzma1" : "store") ==
                  ARCHIVE_OK &&
              archive_write_set_bytes_in_last_block(writer, 1) == ARCHIVE_OK &&
              archive_write_open(writer, &archive, nullptr, Append, nullptr) == ARCHIVE_OK;
    for (const PackedMember& member : members) {
        if (!ok) break;
        struct archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, member.name.c_str());
        archive_entry_set_filetype(entry, member.folder ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(entry, member.folder ? 0755 : 0644);
        archive_entry_set_size(entry, member.folder ? 0 : static_cast<la_int64_t>(member.content.size()));
        ok = archive_write_header(writer, entry) == ARCHIVE_OK;
        if (ok && !member.folder && !member.content.empty())
            ok = archive_write_data(writer, member.content.data(), member.content.size()) ==
                 static_cast<la_ssize_t>(member.content.size());
        archive_entry_free(entry);
    }
    if (writer) {
        ok = archive_write_close(writer) == ARCHIVE_OK && ok;
        archive_write_free(writer);
    }
    return ok ? archive : std::string();
}

#else

std::string Build7z(const std::vector<PackedMember>&, bool) {
    return {};
}

#endif

}  // namespace cartovex::testkit
