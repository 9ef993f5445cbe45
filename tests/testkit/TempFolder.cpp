#include "testkit/TempFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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

namespace {

// Removes `name` in the folder `parent` with everything below it, one level at a time through
// descriptors, so no path grows longer than a name: remove_all gives up on paths the system won't take.
void RemoveTreeAt(int parent, const char* name) {
    if (unlinkat(parent, name, 0) == 0) return;
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    if (DIR* dir = fdopendir(fd)) {
        std::vector<std::string> names;
        while (const dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        for (const std::string& child : names) RemoveTreeAt(dirfd(dir), child.c_str());
        closedir(dir);
    } else {
        close(fd);
    }
    unlinkat(parent, name, AT_REMOVEDIR);
}

}  // namespace

TempFolder::~TempFolder() {
    std::error_code ec;
    // Tests make files and folders read-only on purpose; give the owner write access back first.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
    if (fs::exists(path_, ec)) RemoveTreeAt(AT_FDCWD, path_.c_str());
}

std::string TempFolder::MakeDeepFolder(std::string_view name, size_t length, std::string_view file) const {
    const std::string piece(200, 'd');
    std::string path = MakeFolder(name);
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd >= 0 && path.size() <= length) {
        mkdirat(fd, piece.c_str(), 0755);
        const int below = openat(fd, piece.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = below;
        path += "/" + piece;
        close(openat(fd, std::string(file).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    }
    if (fd >= 0) close(fd);
    return path;
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
