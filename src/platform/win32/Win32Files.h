// Files on Windows, through the ANSI Win32 file functions.
#pragma once

#include <set>

#include "platform/Files.h"

namespace cartovex {

class Win32Files : public Files {
public:
    char Separator() const override { return '\\'; }
    std::string CurrentDirectory() const override;
    bool SetCurrentDirectory(const std::string& path) override;
    std::vector<std::string> ListCurrentFolder(std::string_view pattern) const override;
    std::vector<std::string> ListTopLevel(const std::string& folder,
                                          ListingFailures* failures = nullptr) const override;
    std::vector<std::string> ListFilesRecursive(const std::string& folder,
                                                const std::vector<std::string>& extensions,
                                                ListingFailures* failures = nullptr) const override;
    bool IsRegularFile(const std::string& path) const override;
    bool IsDirectory(const std::string& path) const override;
    bool Exists(const std::string& path) const override;
    std::optional<uint64_t> FileLength(const std::string& path) const override;
    std::optional<FileStamp> Stamp(const std::string& path) const override;
    std::optional<size_t> ReadAt(const std::string& path, uint64_t offset,
                                 std::span<uint8_t> out) const override;
    bool WriteFile(const std::string& path, std::string_view content) override;
    bool WriteFileFrom(const std::string& path, const ContentWriter& writer) override;
    bool DeleteFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool ReplaceFile(const std::string& from, const std::string& to) override;
    bool ClearAttributes(const std::string& path) override;
    void RemoveStaleScratchFiles(const std::string& folder) override;

    /// A fresh scratch name for this process (no folder), numbered by `tag`.
    static std::string ScratchName(uint32_t tag);

private:
    // Numbers the temporary names beside a written or renamed file.
    unsigned tempCounter_ = 0;
    // Folders already cleared of stale scratch files by this process, lower-cased.
    std::set<std::string> sweptFolders_;
};

}  // namespace cartovex
