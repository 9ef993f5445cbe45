#include "testkit/TempFolder.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "disc/Crc32.h"

namespace fs = std::filesystem;

namespace cartovex::testkit {

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "cartovex-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Tests make files and folders read-only on purpose; give the owner write access back first.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempFolder::operator/(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::string TempFolder::Write(std::string_view name, std::string_view content) const {
    fs::path path = *this / name;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return path.string();
}

std::string TempFolder::MakeFolder(std::string_view name) const {
    fs::create_directories(*this / name);
    return *this / name;
}

std::string TempFolder::Read(std::string_view name) const {
    std::ifstream in(*this / name, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

bool TempFolder::Exists(std::string_view name) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(*this / name, ec));
}

std::vector<std::string> TempFolder::Snapshot() const {
    std::vector<std::string> rows;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::string rel = fs::relative(it->path(), path_).string();
        if (it->is_directory()) {
            rows.push_back(rel + "/");
        } else {
            std::string bytes = Read(rel);
            uint32_t crc =
                Crc32Update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), ~0u) ^ ~0u;
            rows.push_back(rel + "=" + std::to_string(bytes.size()) + ":" + std::to_string(crc));
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

CurrentDirectoryGuard::CurrentDirectoryGuard() : saved_(fs::current_path().string()) {}
CurrentDirectoryGuard::~CurrentDirectoryGuard() {
    std::error_code ec;
    fs::current_path(saved_, ec);
}

}  // namespace cartovex::testkit
