// The run history: what every processing and mass run did to the collection, kept in the start
// folder so a run can be taken back.
//
// A run is recorded once its steps are done: each rename (folders too) with full paths, each file
// written with the checksum of what it received and, when it replaced a file, that file's old
// content, and each file removed with its content. The old contents make undo possible for a sheet
// or a playlist that was rewritten; the checksums let undo tell whether the user changed a file
// since. The file is rewritten whole through the platform's write path (scratch name, flushed,
// renamed), so a crash leaves the history before the run or after it, never naming a step that
// did not happen.
//
// Only the last HISTORY_RUNS runs are kept, and old contents count against a size bound too: the
// history never grows without end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/Program.h"

namespace cartovex {

/// The history's name in the start folder. A dot-file: no listing (and no scan of the start
/// folder) shows it, like the rename journal.
inline constexpr const char* HISTORY_NAME = ".cartovex-history";
/// How many runs the history keeps.
inline constexpr size_t HISTORY_RUNS = 20;
/// A history larger than this is not read: none of ours grows so far.
inline constexpr uint64_t HISTORY_READ_LIMIT = 32u << 20;
/// Old runs are dropped while the history is larger than this.
inline constexpr size_t HISTORY_SIZE_BOUND = 24u << 20;
/// A replaced or removed file larger than this has its old content left out (undo of that run is
/// refused for it); sheets, playlists and reports are a few kilobytes.
inline constexpr uint64_t KEPT_CONTENT_LIMIT = 1u << 20;

/// A length that no file has: the step moved a folder.
inline constexpr uint64_t NO_LENGTH = UINT64_MAX;

struct HistoryStep {
    enum class Kind { RENAME, WRITE, DELETE };
    Kind kind = Kind::RENAME;
    std::string path;    // the file written or removed, or the rename's source
    std::string target;  // the rename's target
    /// RENAME: the file's length (NO_LENGTH for a folder). WRITE: the length and CRC-32 of what was
    /// written. DELETE: of what was removed.
    uint64_t length = 0;
    uint32_t crc = 0;
    /// WRITE: a file was there before and was replaced.
    bool replaced = false;
    /// WRITE of a replaced file, DELETE: the old content is kept in `content`.
    bool kept = false;
    std::string content;
};

struct HistoryRun {
    unsigned long id = 0;
    std::string time;     // "2026-12-08 20:30:01", local time
    std::string command;  // "mass /discs", "process /discs/a/a.iso", "undo 4"
    /// Every name the run touched lies at or below this folder.
    std::string folder;
    std::vector<HistoryStep> steps;
    /// The run that took this one back, 0 while nobody has.
    unsigned long undoneBy = 0;
    /// For an undo: the runs it took back, newest first.
    std::vector<unsigned long> undoes;

    size_t Count(HistoryStep::Kind kind) const;
};

struct RunHistory {
    std::vector<HistoryRun> runs;  // oldest first
    unsigned long nextId = 1;

    HistoryRun* Find(unsigned long id);
};

/// Names and contents are written as their length, a colon and their bytes, so they may hold any
/// byte; TakeField reads one from the front of `in`.
void PutField(std::string& out, std::string_view field);
bool TakeField(std::string_view& in, std::string& field);

std::string HistoryText(const RunHistory& history);
/// One run as the history writes it, and read back from the front of `in` (which it consumes).
std::string RunRecordText(const HistoryRun& run);
bool TakeRunRecord(std::string_view& in, HistoryRun& run);
/// Nothing for a text that is not a whole history of ours.
std::optional<RunHistory> ParseHistory(std::string_view text);

/// Drops the oldest runs beyond HISTORY_RUNS, and while the text outgrows HISTORY_SIZE_BOUND (the
/// newest run stays); gives the ids dropped.
std::vector<unsigned long> BoundHistory(RunHistory& history);

/// The history as found in the start folder.
struct LoadedHistory {
    RunHistory history;
    /// Why the file can't be used ("damaged or cut", ...); empty when it can (or is not there).
    std::string problem;
};
LoadedHistory LoadHistory(Program& program);

/// The pane line for a history that can't be used.
std::string HistoryProblemLine(const std::string& problem);

/// Adds `run` to the history in the start folder and writes it. A history that
/// can't be used is moved aside under a new name first, whole, and a new one begun; each dropped
/// run and any failure gets a pane line. `run.id` 0 takes the next id; a run whose id is there already
/// is not added twice. The runs `undone` are marked as taken back by it. True when it was recorded.
bool RecordInHistory(Program& program, HistoryRun run, const std::vector<unsigned long>& undone = {});

/// Writes `history` to the start folder as it is; false (and a pane line) when it can't be written.
bool SaveHistory(Program& program, RunHistory& history);

/// The local time as the history writes it.
std::string HistoryTime(const LocalTime& time);

/// CRC-32 of a whole text (preset and final XOR as zlib's).
uint32_t ContentCrc(std::string_view content);

}  // namespace cartovex
