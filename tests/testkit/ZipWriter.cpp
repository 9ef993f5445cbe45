#include "testkit/ZipWriter.h"

#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cartovex::testkit {

namespace {

// The writer takes names as C strings; a NUL in a name is written as this byte and put back into
// the finished archive (names are not covered by the member checksums).
constexpr char NUL_STAND_IN = '\x7f';

std::string WritableName(const std::string& name) {
    std::string out = name;
    std::replace(out.begin(), out.end(), '\0', NUL_STAND_IN);
    return out;
}

bool WriteArchive(const std::string& path, const std::vector<ZipMember>& members) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    bool ok = true;
    for (const ZipMember& member : members) {
        zip_fileinfo info{};
        const std::string name = WritableName(member.name);
        const auto* bytes = reinterpret_cast<const Bytef*>(member.content.data());
        const uLong crc = crc32(0L, bytes, static_cast<uInt>(member.content.size()));
        const int method = member.deflate ? Z_DEFLATED : 0;
        const int level = member.deflate ? Z_BEST_COMPRESSION : 0;
        ok = zipOpenNewFileInZip3(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, level, 0,
                                  -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                  member.password.empty() ? nullptr : member.password.c_str(), crc) == ZIP_OK;
        if (!ok) break;
        if (!member.content.empty())
            ok = zipWriteInFileInZip(zip, member.content.data(),
                                     static_cast<unsigned>(member.content.size())) == ZIP_OK;
        ok = zipCloseFileInZip(zip) == ZIP_OK && ok;
        if (!ok) break;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void RestoreNuls(std::string& archive, const std::vector<ZipMember>& members) {
    for (const ZipMember& member : members) {
        if (member.name.find('\0') == std::string::npos) continue;
        const std::string written = WritableName(member.name);
        for (size_t at = archive.find(written); at != std::string::npos; at = archive.find(written, at + 1))
            archive.replace(at, written.size(), member.name);
    }
}

}  // namespace

std::string BuildZip(const std::vector<ZipMember>& members) {
    std::string pattern = (std::filesystem::temp_directory_path() / "cartovex-zip-XXXXXX").string();
    int fd = mkstemp(pattern.data());
    if (fd < 0) return {};
    close(fd);
    std::string archive = WriteArchive(pattern, members) ? ReadAll(pattern) : std::string();
    std::remove(pattern.c_str());
    RestoreNuls(archive, members);
    return archive;
}

bool WriteZip(const std::string& path, const std::vector<ZipMember>& members) {
    std::string archive = BuildZip(members);
    if (archive.empty()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(archive.data(), static_cast<std::streamsize>(archive.size()));
    return static_cast<bool>(out);
}

}  // namespace cartovex::testkit
