// INTERFACE COPY (replaced by the dats branch)
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
namespace cartovex {
class Files;
using Sha1Digest = std::array<uint8_t, 20>;
using Md5Digest = std::array<uint8_t, 16>;
struct DatRom {
    std::string name;
    uint64_t size = 0;
    std::optional<uint32_t> crc;
    std::optional<Md5Digest> md5;
    std::optional<Sha1Digest> sha1;
};
struct DatGame {
    std::string name;
    std::string description;
    std::vector<DatRom> roms;
    size_t dat = 0;
};
struct DatSource {
    std::string path;
    std::string fileName;
    std::string name, description, version;
};
struct DatCatalogue {
    std::vector<DatSource> dats;
    std::vector<DatGame> games;
    size_t skippedRoms = 0;
};
std::optional<std::string> ParseDat(std::string_view text, size_t datIndex, DatCatalogue& into);
std::optional<std::string> LoadDatFile(const Files& files, const std::string& path, DatCatalogue& into);
constexpr uint64_t DAT_SIZE_LIMIT = 64ull << 20;
std::vector<std::string> DatFilesInFolder(const Files& files, const std::string& folder);
bool XmlDatsSupported();
}  // namespace cartovex
