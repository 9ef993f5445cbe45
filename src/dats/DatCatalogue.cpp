// Telling the two DAT forms apart, loading a DAT file within its size bound, and finding the DATs of
// a folder.
#include "dats/DatCatalogue.h"

#include "common/Text.h"
#include "dats/DatReading.h"

namespace cartovex {
namespace {

// A byte-order mark, then blanks and line ends, come before the first real character of either form.
std::string_view WithoutLeadingSpace(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string LastComponent(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::optional<std::string> ParseDat(std::string_view text, size_t datIndex, DatCatalogue& into) {
    return dats::ParseDatText(text, nullptr, datIndex, into);
}

std::optional<std::string> dats::ParseDatText(std::string_view text, std::string* buffer, size_t datIndex,
                                              DatCatalogue& into) {
    const std::string_view start = WithoutLeadingSpace(text);
    if (start.empty()) return "empty, no games";
    dats::DatReading reading;
    std::optional<std::string> failure;
    // Both forms open with their first real character: '<' for XML, a key word for clrmamepro text.
    // A UTF-16 XML file opens with a byte-order mark or a zero byte, which pugixml converts.
    const bool xml = start[0] == '<' || text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
                     (text.size() >= 2 && (text[0] == '\0' || text[1] == '\0'));
    if (xml) {
        if (!XmlDatsSupported()) return "an XML DAT, which this build can't read (use the clrmamepro form)";
        failure = dats::ReadLogiqxDat(text, reading, buffer);
    } else {
        failure = dats::ReadClrMameProDat(text, reading);
    }
    if (failure) return failure;

    if (into.dats.size() <= datIndex) into.dats.resize(datIndex + 1);
    DatSource& source = into.dats[datIndex];
    source.name = std::move(reading.name);
    source.description = std::move(reading.description);
    source.version = std::move(reading.version);
    into.games.reserve(into.games.size() + reading.games.size());
    for (DatGame& game : reading.games) {
        game.dat = datIndex;
        into.games.push_back(std::move(game));
    }
    into.skippedRoms += reading.skippedRoms;
    into.skippedGames += reading.skippedGames;
    return std::nullopt;
}

std::optional<std::string> LoadDatFile(const Files& files, const std::string& path, DatCatalogue& into) {
    // The length is asked first, so an oversized file is never read, let alone held.
    const auto length = files.FileLength(path);
    if (!length) return "can't be read";
    if (*length > DAT_SIZE_LIMIT)
        return "larger than " + PlainNumber(static_cast<long long>(DAT_SIZE_LIMIT >> 20)) +
               " MB, which no DAT is";
    auto text = files.ReadFile(path, static_cast<size_t>(DAT_SIZE_LIMIT) + 1);
    if (!text) return "can't be read";
    if (text->size() > DAT_SIZE_LIMIT) return "grew beyond the size limit while it was read";

    const size_t index = into.dats.size();
    into.dats.push_back(DatSource{path, LastComponent(path), {}, {}, {}});
    // Parsed where it was read, so a large DAT is held once, not twice.
    auto failure = dats::ParseDatText(*text, &*text, index, into);
    if (!failure) return std::nullopt;
    into.dats.pop_back();
    // That parse altered the text; the reason, with its line, comes from the file as it is.
    text.reset();
    if (const auto again = files.ReadFile(path, static_cast<size_t>(DAT_SIZE_LIMIT) + 1)) {
        DatCatalogue scratch;
        if (auto exact = ParseDat(*again, 0, scratch)) failure = std::move(exact);
    }
    return failure;
}

std::vector<std::string> DatFilesInFolder(const Files& files, const std::string& folder) {
    std::vector<std::string> paths;
    if (folder.empty()) return paths;
    for (const std::string& name : files.ListTopLevel(folder)) {
        if (!EndsWithIgnoringAsciiCase(name, ".dat") && !EndsWithIgnoringAsciiCase(name, ".xml")) continue;
        std::string path = files.Join(folder, name);
        if (files.IsRegularFile(path)) paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace cartovex
