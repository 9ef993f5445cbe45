#include "disc/CueSheetFiles.h"

#include <algorithm>

#include "common/Text.h"
#include "platform/Files.h"
#include "platform/FolderNames.h"

namespace cartovex {

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

// The byte-order marks in front of a sheet, however many an editor or a converter stacked there:
// readers take the first line as starting after all of them, so a repaired sheet, which has none,
// reads as the sheet it came from.
size_t MarksInFront(std::string_view sheet) {
    size_t length = 0;
    while (sheet.substr(length).starts_with(UTF8_BOM)) length += UTF8_BOM.size();
    return length;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

size_t SkipBlanks(std::string_view text, size_t at, size_t end) {
    while (at < end && IsBlank(text[at])) ++at;
    return at;
}

// The keyword at `at` followed by a blank or the line's end; moves `at` past it.
bool TakeKeyword(std::string_view text, size_t& at, size_t end, std::string_view keyword) {
    if (end - at < keyword.size() || !EqualsIgnoringAsciiCase(text.substr(at, keyword.size()), keyword))
        return false;
    const size_t after = at + keyword.size();
    if (after < end && !IsBlank(text[after])) return false;
    at = after;
    return true;
}

size_t TokenEnd(std::string_view text, size_t at, size_t end) {
    while (at < end && !IsBlank(text[at])) ++at;
    return at;
}

// Calls `line(start, end)` for every line; a final line end starts no extra line.
template <typename LineFunction>
void ForEachLine(std::string_view text, LineFunction line) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            line(start, text.size());
            return;
        }
        line(start, end);
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
}

bool ParseFileLine(std::string_view text, size_t at, size_t end, CueFileLine& out) {
    if (!TakeKeyword(text, at, end, "FILE")) return false;
    at = SkipBlanks(text, at, end);
    if (at >= end) return false;
    size_t nameEnd;
    if (text[at] == '"') {
        ++at;
        nameEnd = text.find('"', at);
        if (nameEnd == std::string_view::npos || nameEnd > end) return false;
        out.quoted = true;
    } else {
        nameEnd = TokenEnd(text, at, end);
        out.quoted = false;
    }
    out.name = std::string(text.substr(at, nameEnd - at));
    out.nameStart = at;
    out.nameEnd = nameEnd;
    const size_t typeStart = out.quoted ? nameEnd + 1 : nameEnd;
    // The type is what stands between the name and the line's end, blanks and tabs around it left out.
    size_t typeEnd = end;
    size_t typeBegin = std::min(typeStart, end);
    while (typeBegin < typeEnd && IsBlank(text[typeBegin])) ++typeBegin;
    while (typeEnd > typeBegin && IsBlank(text[typeEnd - 1])) --typeEnd;
    out.type = std::string(text.substr(typeBegin, typeEnd - typeBegin));
    return true;
}

void ParseTrackLine(std::string_view text, size_t at, size_t end, CueFileLine& file) {
    if (!TakeKeyword(text, at, end, "TRACK")) return;
    at = SkipBlanks(text, at, end);
    const size_t numberEnd = TokenEnd(text, at, end);
    const std::string_view number = text.substr(at, numberEnd - at);
    if (number.empty() ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return;
    file.track = ReadNumber(number);
    at = SkipBlanks(text, numberEnd, end);
    file.audio = EqualsIgnoringAsciiCase(text.substr(at, TokenEnd(text, at, end) - at), "AUDIO");
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

}  // namespace

std::vector<CueFileLine> ReadCueFileLines(std::string_view sheet) {
    std::vector<CueFileLine> files;
    ForEachLine(sheet, [&](size_t start, size_t end) {
        if (start == 0) start = std::min(end, MarksInFront(sheet));
        const size_t at = SkipBlanks(sheet, start, end);
        CueFileLine file;
        if (ParseFileLine(sheet, at, end, file)) {
            files.push_back(std::move(file));
        } else if (!files.empty() && !files.back().track) {
            ParseTrackLine(sheet, at, end, files.back());
        }
    });
    return files;
}

std::string RenameInCueSheet(std::string_view sheet, const std::vector<CueFileLine>& lines,
                             const std::function<std::optional<std::string>(const CueFileLine&)>& newName,
                             bool* longLine) {
    std::string text;
    text.reserve(sheet.size() + 64);
    size_t copied = 0;
    const size_t firstLineEnd = std::min(sheet.find_first_of("\r\n"), sheet.size());
    for (const CueFileLine& line : lines) {
        const auto name = newName(line);
        if (!name || line.nameStart < copied) continue;
        const size_t marks = MarksInFront(sheet);
        const bool bomInFront = copied == 0 && line.nameStart < firstLineEnd && marks > 0;
        if (bomInFront) copied = marks;
        text.append(sheet.substr(copied, line.nameStart - copied));
        const bool quote = !line.quoted && name->find_first_of(" \t") != std::string::npos;
        if (quote) text += '"';
        text += *name;
        if (quote) text += '"';
        if (longLine) {
            const size_t lineStart = sheet.find_last_of("\r\n", line.nameStart);
            const size_t begin =
                lineStart == std::string_view::npos ? (bomInFront ? marks : 0) : lineStart + 1;
            const size_t end = std::min(sheet.find_first_of("\r\n", line.nameEnd), sheet.size());
            const size_t length =
                (line.nameStart - begin) + name->size() + (quote ? 2 : 0) + (end - line.nameEnd);
            if (length > CUE_LINE_LIMIT) *longLine = true;
        }
        copied = line.nameEnd;
    }
    text.append(sheet.substr(copied));
    return text;
}

namespace {

// The commands of a sheet, and those whose further words are keywords too.
constexpr std::string_view CUE_COMMANDS[] = {"CATALOG", "CDTEXTFILE", "FLAGS",   "INDEX",
                                             "ISRC",    "PERFORMER",  "POSTGAP", "PREGAP",
                                             "REM",     "SONGWRITER", "TITLE",   "TRACK"};

// A line with its command in upper case, and the mode of a TRACK line and the flags of a FLAGS line;
// names, titles and comments stay as written.
std::string UpperCaseKeywords(std::string_view line) {
    std::string out(line);
    size_t at = SkipBlanks(line, 0, line.size());
    const size_t commandEnd = TokenEnd(line, at, line.size());
    const std::string_view command = line.substr(at, commandEnd - at);
    const auto known = std::find_if(std::begin(CUE_COMMANDS), std::end(CUE_COMMANDS),
                                    [&](std::string_view c) { return EqualsIgnoringAsciiCase(c, command); });
    if (known == std::end(CUE_COMMANDS)) return out;
    auto upper = [&out](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    };
    upper(at, commandEnd);
    if (*known == "TRACK") {
        const size_t number = SkipBlanks(line, commandEnd, line.size());
        const size_t mode = SkipBlanks(line, TokenEnd(line, number, line.size()), line.size());
        upper(mode, TokenEnd(line, mode, line.size()));
    } else if (*known == "FLAGS") {
        upper(commandEnd, line.size());
    }
    return out;
}

}  // namespace

std::string RewriteCueSheet(std::string_view sheet,
                            const std::function<std::optional<std::string>(const CueFileLine&)>& newName,
                            bool* longLine) {
    std::string text;
    text.reserve(sheet.size() + 64);
    ForEachLine(sheet, [&](size_t start, size_t end) {
        if (start == 0) start = std::min(end, MarksInFront(sheet));
        CueFileLine file;
        if (ParseFileLine(sheet, SkipBlanks(sheet, start, end), end, file)) {
            const auto name = newName(file);
            const std::string line = "FILE \"" + (name ? *name : file.name) + "\" " +
                                     (file.type.empty() ? std::string("BINARY") : AsciiUpper(file.type));
            if (longLine && line.size() > CUE_LINE_LIMIT) *longLine = true;
            text += line;
        } else {
            text += UpperCaseKeywords(sheet.substr(start, end - start));
        }
        text += "\r\n";
    });
    return text;
}

bool HasLongFileLine(std::string_view sheet) {
    bool longLine = false;
    ForEachLine(sheet, [&](size_t start, size_t end) {
        CueFileLine file;
        if (end - start > CUE_LINE_LIMIT && ParseFileLine(sheet, SkipBlanks(sheet, start, end), end, file))
            longLine = true;
    });
    return longLine;
}

std::optional<std::string> FileInFolder(const FolderNames& folder, std::string_view name) {
    if (!IsPlainName(name)) return std::nullopt;
    const std::string wanted(name);
    if (folder.Has(wanted)) return wanted;
    std::optional<std::string> found;
    for (const std::string& candidate : folder.All()) {
        if (!EqualsIgnoringAsciiCase(candidate, wanted)) continue;
        if (found) return std::nullopt;  // two spellings of the name: neither is plainly the one meant
        found = candidate;
    }
    return found;
}

std::optional<std::vector<CueFileLine>> ReadSheetFiles(const Files& files, const std::string& name,
                                                       std::string* text) {
    auto sheet = files.ReadFile(name, CUE_SHEET_READ_LIMIT);
    if (!sheet || sheet->size() >= CUE_SHEET_READ_LIMIT) return std::nullopt;
    auto lines = ReadCueFileLines(*sheet);
    if (text) *text = std::move(*sheet);
    return lines;
}

std::string FindImageSheet(const Files& files, const FolderNames& folder, std::string_view imageName) {
    std::string orphan;
    for (const std::string& name : folder.Matching("*.CUE")) {
        const auto lines = ReadSheetFiles(files, name);
        if (!lines) continue;
        bool namesExisting = false;
        for (const CueFileLine& line : *lines) {
            if (EqualsIgnoringAsciiCase(line.name, imageName)) return name;
            namesExisting = namesExisting || FileInFolder(folder, line.name) || files.Exists(line.name);
        }
        if (!namesExisting && orphan.empty()) orphan = name;
    }
    return orphan;
}

}  // namespace cartovex
