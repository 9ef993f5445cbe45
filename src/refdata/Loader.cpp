#include "refdata/Loader.h"

#include <optional>

#include "common/Text.h"

namespace cartovex {

namespace {

// The reference files are a few kilobytes; the update never fetches more than this either, so a
// larger file is cut here instead of filling the memory.
constexpr size_t REFERENCE_FILE_LIMIT = 16u << 20;

// The file's bytes, or nothing after reporting why not. Only a file that is really empty is
// deleted: one that exists but can't be read may still be the user's good copy, and is reported as
// what it is, not as missing.
std::optional<std::string> ReadReferenceFile(Program& program, const std::string& name,
                                             std::string_view consequence) {
    Files& files = program.files();
    std::string path = files.Join(files.CurrentDirectory(), name);
    auto length = files.FileLength(path);
    std::optional<std::string> data;
    if (length && *length > 0) data = files.ReadFile(path, REFERENCE_FILE_LIMIT);
    if (data && !data->empty()) return data;
    const bool unreadable = (length && *length > 0) || (!length && files.Exists(path));
    const std::string failure =
        name + (unreadable ? " could not be read. " : " not found. ") + std::string(consequence);
    program.pane.AppendLine(failure);
    program.loadFailures.push_back(failure);
    if (length && *length == 0) files.DeleteFile(path);
    return std::nullopt;
}

void LoadDeveloperList(Program& program) {
    DeveloperList& list = program.developers;
    for (int code = 0; code < DEVELOPER_DEFAULT_SLOTS; ++code) list.names[code] = DefaultDeveloperName(code);

    auto data = ReadReferenceFile(program, "DEVELOPPER.KVX", "Developper detection is disabled.");
    if (!data) return;
    LineReader reader(*data);
    std::string line;
    reader.Next(line);
    list.version = SaturateInt16(ReadNumber(line));
    while (reader.Next(line)) {
        long long code = ReadNumber(line);
        // The table has a slot for codes 0 to 300 only; anything else names no developer we show.
        if (code < 0 || code >= DEVELOPER_SLOTS) continue;
        list.names[static_cast<size_t>(code)] = Piece(line, '#', 1);
    }
}

void LoadHeaderDatabase(Program& program) {
    auto data = ReadReferenceFile(program, "DATA.KVX", "Rename feature will be disabled.");
    if (!data) return;
    HeaderDatabase& database = program.database;
    database.count = 0;
    LineReader reader(*data);
    std::string line;
    reader.Next(line);
    database.version = SaturateInt16(ReadNumber(line));
    bool overflow = false;
    while (reader.Next(line)) {
        if (database.count == HEADER_DATABASE_SLOTS) {
            overflow = true;
            break;
        }
        database.entries[static_cast<size_t>(database.count)] = line;
        ++database.count;
    }
    if (overflow) program.pane.AppendLine("DATA.KVX holds more than 451 entries, the rest is ignored.");
}

}  // namespace

void LoadDatabases(Program& program) {
    program.files().SetCurrentDirectory(program.startFolder);
    // Every run starts here, so this is where the scratch files of a run killed in the middle of
    // writing a list, the settings or a reference file go.
    program.files().RemoveStaleScratchFiles(program.startFolder);
    program.loadFailures.clear();
    LoadDeveloperList(program);
    LoadHeaderDatabase(program);
}

}  // namespace cartovex
