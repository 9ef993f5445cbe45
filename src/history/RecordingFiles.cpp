#include "history/RecordingFiles.h"

#include <algorithm>
#include <tuple>

#include "history/Undo.h"
#include "outputs/RenameJournal.h"

namespace cartovex {

std::string NormalPath(std::string_view path, std::string_view current, char separator) {
    const bool windows = separator == '\\';
    auto isSeparator = [&](char c) { return c == separator || (windows && c == '/'); };
    const bool drive = windows && path.size() >= 2 && path[1] == ':';
    const bool rooted = !path.empty() && isSeparator(path[0]);
    std::string full(path);
    if (!rooted && !drive) full = std::string(current) + separator + full;

    std::string root;
    size_t at = 0;
    if (windows && full.size() >= 2 && full[1] == ':') {
        root = full.substr(0, 2) + separator;
        at = 2;
    } else if (windows && full.size() >= 2 && isSeparator(full[0]) && isSeparator(full[1])) {
        root = std::string(2, separator);
        at = 2;
    } else {
        root = std::string(1, separator);
    }
    std::vector<std::string> pieces;
    while (at <= full.size()) {
        size_t end = at;
        while (end < full.size() && !isSeparator(full[end])) ++end;
        std::string piece = full.substr(at, end - at);
        if (piece == "..") {
            if (!pieces.empty()) pieces.pop_back();
        } else if (!piece.empty() && piece != ".") {
            pieces.push_back(std::move(piece));
        }
        at = end + 1;
    }
    std::string result = root;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) result += separator;
        result += pieces[i];
    }
    return result;
}

std::string ParentFolder(const std::string& path, char separator) {
    const size_t cut = path.rfind(separator);
    if (cut == std::string::npos) return path;
    // A root keeps its separator ("/", "C:\\").
    if (cut == 0 || (cut == 2 && path[1] == ':')) return path.substr(0, cut + 1);
    return path.substr(0, cut);
}

RecordingFiles::RecordingFiles(Files& inner, std::vector<std::string> ignored)
    : inner_(inner), ignored_(std::move(ignored)), current_(inner.CurrentDirectory()) {}

std::string RecordingFiles::Full(const std::string& path) const {
    return NormalPath(path, current_, Separator());
}

bool RecordingFiles::Ignored(const std::string& full) const {
    const size_t cut = full.rfind(Separator());
    if (full.compare(cut + 1, std::string::npos, JOURNAL_NAME) == 0) return true;
    return std::find(ignored_.begin(), ignored_.end(), full) != ignored_.end();
}

bool RecordingFiles::SetCurrentDirectory(const std::string& path) {
    if (!inner_.SetCurrentDirectory(path)) return false;
    current_ = Full(path);
    return true;
}

HistoryStep RecordingFiles::Before(HistoryStep::Kind kind, const std::string& full) const {
    HistoryStep step;
    step.kind = kind;
    step.path = full;
    const auto length = inner_.FileLength(full);
    step.replaced = length.has_value();
    step.length = length.value_or(0);
    if (length && *length <= KEPT_CONTENT_LIMIT) {
        if (auto content = inner_.ReadFile(full, KEPT_CONTENT_LIMIT)) {
            step.kept = true;
            step.content = std::move(*content);
        }
    }
    return step;
}

bool RecordingFiles::WriteFile(const std::string& path, std::string_view content) {
    const std::string full = Full(path);
    renamedLengths_.erase(full);
    if (Ignored(full)) return inner_.WriteFile(path, content);
    HistoryStep step = Before(HistoryStep::Kind::WRITE, full);
    if (!inner_.WriteFile(path, content)) return false;
    step.length = content.size();
    step.crc = ContentCrc(content);
    steps_.push_back(std::move(step));
    return true;
}

std::optional<std::string> RecordingFiles::StageFile(const std::string& path, std::string_view content,
                                                     bool nameFree) {
    auto scratch = inner_.StageFile(path, content, nameFree);
    if (scratch)
        staged_[scratch->substr(scratch->rfind(Separator()) + 1)] = {content.size(), ContentCrc(content),
                                                                     nameFree};
    return scratch;
}

bool RecordingFiles::PlaceStagedFile(const std::string& scratch, const std::string& path) {
    const std::string full = Full(path);
    renamedLengths_.erase(full);
    const auto staged = staged_.find(scratch.substr(scratch.rfind(Separator()) + 1));
    if (Ignored(full) || staged == staged_.end()) return inner_.PlaceStagedFile(scratch, path);
    // A file staged for a free name takes it only while it is free: it replaces nothing.
    HistoryStep step;
    if (staged->second.nameFree) {
        step.kind = HistoryStep::Kind::WRITE;
        step.path = full;
    } else {
        step = Before(HistoryStep::Kind::WRITE, full);
    }
    if (!inner_.PlaceStagedFile(scratch, path)) return false;
    step.length = staged->second.length;
    step.crc = staged->second.crc;
    staged_.erase(staged);
    steps_.push_back(std::move(step));
    return true;
}

bool RecordingFiles::DeleteFile(const std::string& path) {
    const std::string full = Full(path);
    renamedLengths_.erase(full);
    if (Ignored(full)) return inner_.DeleteFile(path);
    HistoryStep step = Before(HistoryStep::Kind::DELETE, full);
    if (!inner_.DeleteFile(path)) return false;
    step.crc = step.kept ? ContentCrc(step.content) : 0;
    steps_.push_back(std::move(step));
    return true;
}

bool RecordingFiles::Rename(const std::string& from, const std::string& to) {
    if (!inner_.Rename(from, to)) return false;
    const std::string source = Full(from), target = Full(to);
    // Giving a file the name it has changes nothing: there is nothing to take back.
    if (source == target || Ignored(source)) return true;
    HistoryStep step;
    step.kind = HistoryStep::Kind::RENAME;
    step.path = source;
    step.target = target;
    if (const auto known = renamedLengths_.find(source); known != renamedLengths_.end()) {
        step.length = known->second;
        renamedLengths_.erase(known);
    } else {
        step.length = inner_.FileLength(target).value_or(NO_LENGTH);
    }
    if (step.length == NO_LENGTH)
        std::erase_if(renamedLengths_,
                      [&](const auto& known) { return PathIsAtOrBelow(known.first, source, Separator()); });
    else
        renamedLengths_[target] = step.length;
    steps_.push_back(std::move(step));
    return true;
}

bool RecordingFiles::ReplaceFile(const std::string& from, const std::string& to) {
    const std::string source = Full(from), target = Full(to);
    renamedLengths_.erase(source);
    renamedLengths_.erase(target);
    HistoryStep removed = Before(HistoryStep::Kind::DELETE, source);
    HistoryStep written = Before(HistoryStep::Kind::WRITE, target);
    if (!inner_.ReplaceFile(from, to)) return false;
    removed.length = removed.content.size();
    removed.crc = ContentCrc(removed.content);
    written.length = removed.length;
    written.crc = removed.crc;
    // Taken back as the source written again and the target given its old content.
    steps_.push_back(std::move(removed));
    steps_.push_back(std::move(written));
    return true;
}

RecordedRun::RecordedRun(Program& program)
    : program_(program),
      scope_(program),
      previous_(scope_.Context().files),
      time_(HistoryTime(program.platform.clock.Now())),
      recording_(program.files(), {program.StartFile("Cartovex.ini"), program.StartFile("KVX_HAVE.TXT"),
                                   program.StartFile("KVX_MISS.TXT"), program.StartFile(HISTORY_NAME)}) {
    // A dry run's files only plan: it says "would write" for the history as for everything else.
    FinishInterruptedUndo(program_);
    scope_.Context().files = &recording_;
}

RecordedRun::~RecordedRun() {
    if (active_) scope_.Context().files = previous_;
}

void RecordedRun::Finish(const std::string& command, const std::string& folder) {
    if (!active_ || recording_.Steps().empty()) return;
    HistoryRun run;
    run.time = time_;
    run.command = command;
    run.folder = NormalPath(folder, program_.startFolder, recording_.Separator());
    run.steps = recording_.Steps();
    scope_.Context().files = previous_;
    active_ = false;
    RecordInHistory(program_, std::move(run));
}

}  // namespace cartovex
