#include "history/Undo.h"

#include <algorithm>
#include <set>

#include "common/Text.h"
#include "common/Utf8.h"
#include "history/RecordingFiles.h"
#include "platform/PlanningFiles.h"

namespace cartovex {

namespace {

constexpr std::string_view JOURNAL_HEAD = "Cartovex undo journal 1\n";
constexpr std::string_view JOURNAL_TAIL = "journal end\n";
// A plan lists at most this many of the files in its way; the rest are counted.
constexpr size_t PROBLEMS_SHOWN = 20;

// One step of an undo: what it does, as the history records it (so taking the undo back is the
// same work again), and the content a write gives the file.
struct Op {
    HistoryStep record;
    std::string payload;
};

using Kind = HistoryStep::Kind;

std::string Number(unsigned long id) {
    return std::to_string(id);
}

// "5", "5 and 4", "5, 4 and 3".
std::string Ids(const std::vector<unsigned long>& ids) {
    std::string text;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i > 0) text += i + 1 == ids.size() ? " and " : ", ";
        text += Number(ids[i]);
    }
    return text;
}

std::string Counted(size_t count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string OpsSummary(const std::vector<Op>& ops) {
    size_t renames = 0;
    for (const Op& op : ops) renames += op.record.kind == Kind::RENAME;
    return Counted(renames, "rename", "renames") + " and " + Counted(ops.size() - renames, "file", "files");
}

HistoryStep Step(Kind kind, const std::string& path, uint64_t length, uint32_t crc) {
    HistoryStep step;
    step.kind = kind;
    step.path = path;
    step.length = length;
    step.crc = crc;
    return step;
}

bool SameContent(const std::optional<std::string>& content, const HistoryStep& step) {
    return content && content->size() == step.length && ContentCrc(*content) == step.crc;
}

// The disc as the undo's earlier steps leave it, answered without changing anything; each change
// is told to `lines` as "would rename A -> B".
class PlanCheck {
public:
    PlanCheck(const Files& real, std::vector<std::string>& lines)
        : real_(real), planned_(real, [&lines](const std::string& line) { lines.push_back(line); }) {}

    // The op that takes `step` back, or nothing (and the reason in `problem`) when it can't be.
    std::optional<Op> Inverse(const HistoryStep& step, const HistoryRun& run, std::string& problem) {
        const char separator = real_.Separator();
        for (const std::string* name : {&step.path, &step.target}) {
            if (name == &step.target && step.kind != Kind::RENAME) continue;
            if (!LiesIn(*name, run.folder, separator)) {
                problem = *name + " lies outside the run's folder.";
                return std::nullopt;
            }
            if (auto link = LinkOnTheWay(*name, run.folder)) {
                problem = *link + " is a link.";
                return std::nullopt;
            }
        }
        const std::string changed = NameNow(step.path) + " was changed after run " + Number(run.id) + ".";
        Op op;
        switch (step.kind) {
            case Kind::RENAME: {
                op.record = Step(Kind::RENAME, step.target, step.length, 0);
                op.record.target = step.path;
                if (!planned_.Exists(step.target)) {
                    problem = NameNow(step.target) + " is not there any more.";
                    return std::nullopt;
                }
                const bool folder = step.length == NO_LENGTH;
                if (folder ? !planned_.IsDirectory(step.target)
                           : planned_.FileLength(step.target) != std::optional<uint64_t>(step.length)) {
                    problem = NameNow(step.target) + " was changed after run " + Number(run.id) + ".";
                    return std::nullopt;
                }
                // On Windows a case-only rename finds its own file under the other spelling.
                const bool caseOnly = separator == '\\' && EqualsIgnoringAsciiCase(step.path, step.target);
                if (!caseOnly && planned_.Exists(step.path)) {
                    problem = NameNow(step.path) + " exists already.";
                    return std::nullopt;
                }
                return op;
            }
            case Kind::WRITE: {
                if (step.replaced && !step.kept) {
                    problem = "the old content of " + NameNow(step.path) + " was not kept.";
                    return std::nullopt;
                }
                if (!planned_.IsRegularFile(step.path)) {
                    problem = NameNow(step.path) + " is not there any more.";
                    return std::nullopt;
                }
                auto now = planned_.ReadFile(step.path, step.length + 1);
                if (!SameContent(now, step)) {
                    problem = changed;
                    return std::nullopt;
                }
                if (step.replaced) {
                    op.record = Step(Kind::WRITE, step.path, step.content.size(), ContentCrc(step.content));
                    op.record.replaced = true;
                    op.payload = step.content;
                } else {
                    op.record = Step(Kind::DELETE, step.path, step.length, step.crc);
                }
                op.record.kept = step.length <= KEPT_CONTENT_LIMIT;
                if (op.record.kept) op.record.content = std::move(*now);
                return op;
            }
            case Kind::DELETE:
                if (!step.kept) {
                    problem = "the old content of " + NameNow(step.path) + " was not kept.";
                    return std::nullopt;
                }
                if (planned_.Exists(step.path)) {
                    problem = NameNow(step.path) + " exists already.";
                    return std::nullopt;
                }
                op.record = Step(Kind::WRITE, step.path, step.length, step.crc);
                op.payload = step.content;
                return op;
        }
        return std::nullopt;
    }

    bool Apply(const Op& op) {
        if (!ApplyTo(planned_, op)) return false;
        if (op.record.kind == Kind::RENAME && op.record.length == NO_LENGTH)
            foldersMoved_.push_back(op.record);
        return true;
    }

    // Where the user finds a name of the plan now: below the folders the plan has moved so far,
    // under the folders' present names.
    std::string NameNow(std::string name) const {
        const char separator = real_.Separator();
        for (size_t i = foldersMoved_.size(); i-- > 0;) {
            const HistoryStep& moved = foldersMoved_[i];
            if (LiesIn(name, moved.target, separator)) name = moved.path + name.substr(moved.target.size());
        }
        return name;
    }

    static bool ApplyTo(Files& files, const Op& op) {
        switch (op.record.kind) {
            case Kind::RENAME:
                return files.Rename(op.record.path, op.record.target);
            case Kind::WRITE:
                return files.WriteFile(op.record.path, op.payload);
            case Kind::DELETE:
                return files.DeleteFile(op.record.path);
        }
        return false;
    }

private:
    // The first piece of `path` below `folder` that is a link on the real disc. The names checked
    // are the run's own, before and after it, so every folder the undo passes through is among them.
    std::optional<std::string> LinkOnTheWay(const std::string& path, const std::string& folder) {
        const char separator = real_.Separator();
        if (path.size() <= folder.size()) return std::nullopt;
        for (size_t at = path.find(separator, folder.size() + 1);; at = path.find(separator, at + 1)) {
            const std::string piece = path.substr(0, at);
            if (checked_.insert(piece).second && real_.IsLink(piece)) return piece;
            if (at == std::string::npos) return std::nullopt;
        }
    }

    const Files& real_;
    PlanningFiles planned_;
    std::set<std::string> checked_;
    std::vector<HistoryStep> foldersMoved_;
};

struct Plan {
    std::vector<Op> ops;
    std::vector<std::string> problems;
    std::vector<std::string> lines;  // what the dry run prints
};

// The ops that take `runs` back, newest run first and each run's steps last first, checked against
// the disc as the ops before leave it.
Plan PlanUndo(Program& program, const std::vector<const HistoryRun*>& runs) {
    Plan plan;
    PlanCheck check(program.platform.files, plan.lines);
    for (const HistoryRun* run : runs) {
        for (size_t i = run->steps.size(); i-- > 0;) {
            std::string problem;
            auto op = check.Inverse(run->steps[i], *run, problem);
            if (op && !check.Apply(*op)) {
                problem = op->record.path + " could not be changed.";
                op.reset();
            }
            if (!op) {
                plan.problems.push_back("Can't undo run " + Number(run->id) + ": " + problem);
                continue;
            }
            plan.ops.push_back(std::move(*op));
        }
    }
    return plan;
}

// Puts back what `op` did; true when it could.
bool PutBack(Files& files, const Op& op) {
    const HistoryStep& step = op.record;
    switch (step.kind) {
        case Kind::RENAME:
            return files.Rename(step.target, step.path);
        case Kind::WRITE:
            if (!step.replaced) return files.DeleteFile(step.path);
            return step.kept && files.WriteFile(step.path, step.content);
        case Kind::DELETE:
            return step.kept && files.WriteFile(step.path, step.content);
    }
    return false;
}

std::string JournalText(const HistoryRun& record, const std::vector<Op>& ops) {
    std::string text(JOURNAL_HEAD);
    text += RunRecordText(record);
    for (const Op& op : ops) {
        text += "payload ";
        PutField(text, op.payload);
        text += '\n';
    }
    text += JOURNAL_TAIL;
    return text;
}

bool ParseJournal(std::string_view in, HistoryRun& record, std::vector<Op>& ops) {
    if (!in.starts_with(JOURNAL_HEAD)) return false;
    in.remove_prefix(JOURNAL_HEAD.size());
    if (!TakeRunRecord(in, record)) return false;
    for (HistoryStep& step : record.steps) {
        std::string payload;
        if (!in.starts_with("payload ")) return false;
        in.remove_prefix(8);
        if (!TakeField(in, payload) || !in.starts_with("\n")) return false;
        in.remove_prefix(1);
        ops.push_back({step, std::move(payload)});
    }
    return in == JOURNAL_TAIL;
}

class UndoJournal {
public:
    explicit UndoJournal(Program& program)
        : files_(program.platform.files),
          journal_(program.StartFile(UNDO_JOURNAL_NAME)),
          progress_(program.StartFile(UNDO_PROGRESS_NAME)) {}

    bool Exists() const { return files_.Exists(journal_); }
    bool Write(const HistoryRun& record, const std::vector<Op>& ops) {
        return files_.WriteFile(journal_, JournalText(record, ops)) && Progress(0);
    }
    bool Read(HistoryRun& record, std::vector<Op>& ops) const {
        const auto text = files_.ReadFile(journal_, HISTORY_READ_LIMIT);
        return text && ParseJournal(*text, record, ops);
    }
    bool Progress(size_t done) { return files_.WriteFile(progress_, std::to_string(done)); }
    size_t Done() const {
        const auto text = files_.ReadFile(progress_, 32);
        return text ? static_cast<size_t>(std::max(0LL, ReadNumber(*text))) : 0;
    }
    void Remove() {
        files_.DeleteFile(progress_);
        files_.DeleteFile(journal_);
    }

private:
    Files& files_;
    std::string journal_, progress_;
};

// True when `op` is done already: only the op a kill interrupted can be, and its names tell.
bool AlreadyDone(const Files& files, const Op& op) {
    switch (op.record.kind) {
        case Kind::RENAME:
            return !files.Exists(op.record.path) && files.Exists(op.record.target);
        case Kind::WRITE:
            return SameContent(files.ReadFile(op.record.path, op.record.length + 1), op.record);
        case Kind::DELETE:
            return !files.Exists(op.record.path);
    }
    return false;
}

enum class Execution { DONE, PUT_BACK, STUCK };

// Makes the ops from `from` on, noting progress after each. A step that fails stops the undo and
// the steps made are put back, last first; `failed` names the file.
Execution Execute(Program& program, UndoJournal& journal, const std::vector<Op>& ops, size_t from,
                  std::string& failed) {
    Files& files = program.platform.files;
    for (size_t i = from; i < ops.size(); ++i) {
        if (!PlanCheck::ApplyTo(files, ops[i])) {
            failed = ops[i].record.path;
            size_t at = i;
            while (at > 0 && PutBack(files, ops[at - 1])) --at;
            journal.Progress(at);
            return at == 0 ? Execution::PUT_BACK : Execution::STUCK;
        }
        journal.Progress(i + 1);
    }
    return Execution::DONE;
}

std::vector<unsigned long> RunIds(const std::vector<const HistoryRun*>& runs) {
    std::vector<unsigned long> ids;
    for (const HistoryRun* run : runs) ids.push_back(run->id);
    return ids;
}

std::string CommonFolder(const std::vector<const HistoryRun*>& runs, char separator) {
    std::string folder = runs.front()->folder;
    for (const HistoryRun* run : runs) {
        while (!LiesIn(run->folder, folder, separator)) {
            const size_t cut = folder.rfind(separator);
            if (cut == std::string::npos || cut == 0) return std::string(1, separator);
            folder.resize(cut);
        }
    }
    return folder;
}

std::string JsonText(std::string_view text) {
    const std::string utf8 = IsValidUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            static constexpr char DIGITS[] = "0123456789abcdef";
            out += "\\u00";
            out += DIGITS[byte >> 4];
            out += DIGITS[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

bool LiesIn(const std::string& path, const std::string& folder, char separator) {
    if (folder.empty() || NormalPath(path, "", separator) != path ||
        NormalPath(folder, "", separator) != folder)
        return false;
    if (path.find('\0') != std::string::npos) return false;
    if (path == folder) return true;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           (folder.back() == separator || path[folder.size()] == separator);
}

bool FinishInterruptedUndo(Program& program) {
    UndoJournal journal(program);
    if (!journal.Exists()) return true;
    HistoryRun record;
    std::vector<Op> ops;
    if (!journal.Read(record, ops)) {
        program.pane.AppendLine(std::string("An interrupted undo left a journal that can't be read; ") +
                                UNDO_JOURNAL_NAME + " is left as it is.");
        return false;
    }
    size_t from = std::min(journal.Done(), ops.size());
    Files& files = program.platform.files;
    if (from < ops.size() && AlreadyDone(files, ops[from])) ++from;
    std::string failed;
    switch (Execute(program, journal, ops, from, failed)) {
        case Execution::DONE:
            break;
        case Execution::PUT_BACK:
            journal.Remove();
            program.pane.AppendLine("An interrupted undo could not be finished (" + failed +
                                    " could not be changed); every file is as it was before it.");
            return true;
        case Execution::STUCK:
            program.pane.AppendLine("An interrupted undo could not be finished (" + failed +
                                    " could not be changed); its journal is kept for the next run.");
            return false;
    }
    // Recorded before the journal goes: killed in between, the next run finds the run recorded.
    if (!RecordInHistory(program, record, record.undoes)) return false;
    journal.Remove();
    program.pane.AppendLine("An interrupted undo was finished: run" +
                            std::string(record.undoes.size() > 1 ? "s " : " ") + Ids(record.undoes) +
                            (record.undoes.size() > 1 ? " are" : " is") + " undone.");
    return true;
}

UndoOutcome UndoRuns(Program& program, const UndoRequest& request) {
    OutputPane& pane = program.pane;
    if (!FinishInterruptedUndo(program)) {
        pane.AppendLine("Nothing was undone.");
        return UndoOutcome::REFUSED;
    }
    LoadedHistory loaded = LoadHistory(program);
    if (!loaded.problem.empty()) {
        pane.AppendLine(std::string("The run history ") + HISTORY_NAME + " is " + loaded.problem +
                        "; it is left as it is, and nothing was undone.");
        return UndoOutcome::REFUSED;
    }
    RunHistory& history = loaded.history;
    std::vector<const HistoryRun*> taken;  // newest first
    for (size_t i = history.runs.size(); i-- > 0;)
        if (history.runs[i].undoneBy == 0) taken.push_back(&history.runs[i]);
    if (taken.empty()) {
        pane.AppendLine("There is no run to undo.");
        return UndoOutcome::NOTHING;
    }
    const unsigned long oldest = request.run != 0 ? request.run : taken.front()->id;
    if (const HistoryRun* named = history.Find(oldest); !named) {
        pane.AppendLine("There is no run " + Number(oldest) + " in the run history.");
        return UndoOutcome::REFUSED;
    } else if (named->undoneBy != 0) {
        // Taken back, made again by undoing the undo, perhaps taken back once more: the last run of
        // that chain is the one to undo.
        unsigned long last = named->undoneBy;
        bool takenBack = true;
        for (const HistoryRun* next = history.Find(last); next && next->undoneBy != 0;
             next = history.Find(last)) {
            last = next->undoneBy;
            takenBack = !takenBack;
        }
        pane.AppendLine("Run " + Number(oldest) +
                        (takenBack ? " was taken back by run " : " was made again by run ") + Number(last) +
                        "; undo run " + Number(last) + (takenBack ? " to make it again." : " instead."));
        return UndoOutcome::REFUSED;
    }
    // Later runs worked on what this one left: they go first.
    taken.erase(std::find_if(taken.begin(), taken.end(),
                             [oldest](const HistoryRun* run) { return run->id < oldest; }),
                taken.end());
    const std::vector<unsigned long> ids = RunIds(taken);
    for (const HistoryRun* run : taken)
        pane.AppendLine("Run " + Number(run->id) + ", " + run->time + ": " + run->command);
    if (taken.size() > 1 && !request.confirmed && !request.dryRun) {
        pane.AppendLine("Undoing run " + Number(oldest) + " takes back runs " + Ids(ids) +
                        "; give --yes to go on. Nothing was undone.");
        return UndoOutcome::REFUSED;
    }

    Plan plan = PlanUndo(program, taken);
    if (!plan.problems.empty()) {
        for (size_t i = 0; i < plan.problems.size() && i < PROBLEMS_SHOWN; ++i)
            pane.AppendLine(plan.problems[i]);
        if (plan.problems.size() > PROBLEMS_SHOWN)
            pane.AppendLine("... and " + std::to_string(plan.problems.size() - PROBLEMS_SHOWN) + " more.");
        pane.AppendLine("Nothing was undone.");
        return UndoOutcome::REFUSED;
    }
    const std::string runs = (taken.size() > 1 ? "runs " : "run ") + Ids(ids);
    if (request.dryRun) {
        for (const std::string& line : plan.lines) pane.AppendLine(line);
        pane.AppendLine("Undo would take back " + runs + ": " + OpsSummary(plan.ops) + ".");
        return UndoOutcome::DONE;
    }

    HistoryRun record;
    record.id = history.nextId;
    record.time = HistoryTime(program.platform.clock.Now());
    record.command = "undo " + Number(oldest);
    record.folder = CommonFolder(taken, program.platform.files.Separator());
    record.undoes = ids;
    for (const Op& op : plan.ops) record.steps.push_back(op.record);
    UndoJournal journal(program);
    if (!journal.Write(record, plan.ops)) {
        journal.Remove();
        pane.AppendLine("The undo journal could not be written in the start folder; nothing was undone.");
        return UndoOutcome::REFUSED;
    }
    std::string failed;
    switch (Execute(program, journal, plan.ops, 0, failed)) {
        case Execution::DONE:
            break;
        case Execution::PUT_BACK:
            journal.Remove();
            pane.AppendLine("Undo stopped: " + failed + " could not be changed. Every file is as it was.");
            return UndoOutcome::REFUSED;
        case Execution::STUCK:
            pane.AppendLine(
                "Undo stopped: " + failed +
                " could not be changed, and not every step could be put back; the next run finishes "
                "the undo.");
            return UndoOutcome::REFUSED;
    }
    const bool recorded = RecordInHistory(program, record, ids);
    if (recorded) journal.Remove();
    const bool redo = taken.size() == 1 && !taken.front()->undoes.empty();
    pane.AppendLine((taken.size() > 1 ? "Runs " : "Run ") + Ids(ids) + (taken.size() > 1 ? " were" : " was") +
                    " undone: " + OpsSummary(plan.ops) + " taken back" +
                    (redo ? " (run " + Ids(taken.front()->undoes) + " is made again)" : "") + ".");
    return UndoOutcome::DONE;
}

std::string HistoryRunJson(const HistoryRun& run) {
    std::string json = "{\"run\":" + Number(run.id) + ",\"time\":" + JsonText(run.time) +
                       ",\"command\":" + JsonText(run.command) + ",\"folder\":" + JsonText(run.folder) +
                       ",\"renames\":" + std::to_string(run.Count(Kind::RENAME)) +
                       ",\"writes\":" + std::to_string(run.Count(Kind::WRITE)) +
                       ",\"removals\":" + std::to_string(run.Count(Kind::DELETE)) +
                       ",\"undoneBy\":" + (run.undoneBy != 0 ? Number(run.undoneBy) : std::string("null")) +
                       ",\"undoes\":[";
    for (size_t i = 0; i < run.undoes.size(); ++i) json += (i > 0 ? "," : "") + Number(run.undoes[i]);
    return json + "]}";
}

bool ShowHistory(Program& program) {
    FinishInterruptedUndo(program);
    const LoadedHistory loaded = LoadHistory(program);
    if (!loaded.problem.empty()) {
        program.pane.AppendLine(HistoryProblemLine(loaded.problem));
        return false;
    }
    if (loaded.history.runs.empty()) program.pane.AppendLine("The run history is empty.");
    for (size_t i = loaded.history.runs.size(); i-- > 0;) {
        const HistoryRun& run = loaded.history.runs[i];
        std::string line = "Run " + Number(run.id) + "  " + run.time + "  " + run.command + "  " +
                           Counted(run.Count(Kind::RENAME), "rename", "renames") + ", " +
                           Counted(run.Count(Kind::WRITE), "write", "writes");
        if (const size_t removals = run.Count(Kind::DELETE))
            line += ", " + Counted(removals, "removal", "removals");
        if (run.undoneBy != 0) line += "  (undone by run " + Number(run.undoneBy) + ")";
        program.pane.AppendLine(line);
    }
    return true;
}

}  // namespace cartovex
