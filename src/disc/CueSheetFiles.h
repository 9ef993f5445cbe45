// The files a CUE sheet names: its FILE lines, read the way sheets are really written (the keyword
// in any case, the name quoted or bare, any file type after it), with the first TRACK under each.
//
// A multi-track dump names one file a track, so a sheet is the map of a disc's files: which one is
// the data track, which are its audio tracks. Processing renames those files and has to keep every
// sheet naming them, so each name's place in the text is kept too: a rename changes those bytes and
// no others.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cartovex {

class Files;
class FolderNames;

struct CueFileLine {
    std::string name;      // as written, without its quotes
    std::string type;      // what follows the name ("BINARY", "WAVE", ...), trimmed; may be empty
    size_t nameStart = 0;  // the name's bytes within the sheet (inside the quotes)
    size_t nameEnd = 0;
    bool quoted = false;
    /// The number of the first TRACK line under this FILE line, before the next FILE line.
    std::optional<long long> track;
    /// That TRACK line's type is AUDIO (any case).
    bool audio = false;
};

/// Every FILE line of a sheet whose lines end in CR LF, a lone LF or a lone CR, in sheet order. A
/// UTF-8 byte-order mark in front of the first line is passed over; a quoted name without its
/// closing quote is no FILE line.
std::vector<CueFileLine> ReadCueFileLines(std::string_view sheet);

/// Some emulators read a sheet's lines into 128-byte buffers: a longer line is cut.
constexpr size_t CUE_LINE_LIMIT = 127;

/// The sheet with the name of each FILE line replaced by `newName(line)` where that gives a name;
/// every other byte stays, but for a UTF-8 byte-order mark directly in front of the first line when
/// that line is a FILE line whose name changes (emulators that match "FILE" at a line's start lose
/// that track). A bare name that takes a blank gets quotes, so the line still parses. `longLine`,
/// when given, is set when a changed line is longer than CUE_LINE_LIMIT bytes.
std::string RenameInCueSheet(std::string_view sheet, const std::vector<CueFileLine>& lines,
                             const std::function<std::optional<std::string>(const CueFileLine&)>& newName,
                             bool* longLine = nullptr);

/// The sheet written out anew in the form every emulator reads: every FILE line as FILE + the quoted
/// name (`newName(line)` where that gives one, else its own) + its own type in upper case ("BINARY"
/// where it has none); on every other line the commands a sheet knows (TRACK and its mode, INDEX,
/// FLAGS and its flags, PREGAP, REM, TITLE, ...) in upper case and the rest as it stands; each line
/// ended by CR LF, no byte-order mark. `longLine`, when given, is set when a FILE line is longer
/// than CUE_LINE_LIMIT bytes.
std::string RewriteCueSheet(std::string_view sheet,
                            const std::function<std::optional<std::string>(const CueFileLine&)>& newName,
                            bool* longLine = nullptr);

/// True when a FILE line of the sheet is longer than CUE_LINE_LIMIT bytes.
bool HasLongFileLine(std::string_view sheet);

/// A sheet is a few kilobytes; a file that big with a .cue name is no sheet worth reading whole.
constexpr size_t CUE_SHEET_READ_LIMIT = 4u << 20;

/// The ordinary file of the folder that a FILE name means: the name itself, else the one name that
/// equals it without regard to ASCII case. Nothing for a name with a path in it (a sheet's files are
/// beside it), "." or "..", or a name no file of the folder carries.
std::optional<std::string> FileInFolder(const FolderNames& folder, std::string_view name);

/// The sheet that belongs to the image `imageName`, in the current folder listed as `folder`: the
/// first "*.CUE" in name order with a FILE line naming the image (ASCII case ignored); when no sheet
/// names it, the first sheet that names no existing file at all (one left naming an old name). A
/// sheet naming other existing files is another disc's and is never taken. Empty when there is none.
std::string FindImageSheet(const Files& files, const FolderNames& folder, std::string_view imageName);

/// The FILE lines of the sheet `name` in the current folder; nothing when it can't be read whole.
std::optional<std::vector<CueFileLine>> ReadSheetFiles(const Files& files, const std::string& name,
                                                       std::string* text = nullptr);

}  // namespace cartovex
