#include "history/RunHistory.h"

#include <algorithm>
#include <cstdio>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "platform/Files.h"

namespace cartovex {

namespace {

constexpr std::string_view HISTORY_HEAD = "Cartovex run history 1\n";
// The last line: a history cut anywhere before it is known to be cut.
constexpr std::string_view HISTORY_TAIL = "history end\n";

// Eight digits always, so the field has one length to read.
std::string Hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

void PutNumber(std::string& out, uint64_t value) {
    out += std::to_string(value);
}

bool TakeText(std::string_view& in, std::string_view text) {
    if (!in.starts_with(text)) return false;
    in.remove_prefix(text.size());
    return true;
}

bool TakeNumber(std::string_view& in, uint64_t& value) {
    size_t digits = 0;
    value = 0;
    while (digits < in.size() && in[digits] >= '0' && in[digits] <= '9') {
        const uint64_t digit = static_cast<uint64_t>(in[digits] - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
        ++digits;
    }
    if (digits == 0 || digits > 20) return false;
    in.remove_prefix(digits);
    return true;
}

bool TakeId(std::string_view& in, unsigned long& id) {
    uint64_t value = 0;
    if (!TakeNumber(in, value) || value > 0xFFFFFFFFu) return false;
    id = static_cast<unsigned long>(value);
    return true;
}

bool TakeHex(std::string_view& in, uint32_t& value) {
    if (in.size() < 8) return false;
    value = 0;
    for (size_t i = 0; i < 8; ++i) {
        const char c = in[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    in.remove_prefix(8);
    return true;
}

void PutStep(std::string& out, const HistoryStep& step) {
    switch (step.kind) {
        case HistoryStep::Kind::RENAME:
            out += "rename ";
            PutField(out, step.path);
            out += ' ';
            PutField(out, step.target);
            out += ' ';
            if (step.length == NO_LENGTH)
                out += '-';
            else
                PutNumber(out, step.length);
            break;
        case HistoryStep::Kind::WRITE:
        case HistoryStep::Kind::DELETE:
            out += step.kind == HistoryStep::Kind::WRITE ? "write " : "delete ";
            PutField(out, step.path);
            out += ' ';
            PutNumber(out, step.length);
            out += ' ';
            out += Hex8(step.crc);
            // A written file was new, or replaced one whose content is kept or lost; a removed
            // file's content is kept or lost.
            if (step.kind == HistoryStep::Kind::WRITE && !step.replaced) {
                out += " new";
            } else if (step.kind == HistoryStep::Kind::WRITE && !step.kept) {
                out += " lost";
            } else if (step.kind == HistoryStep::Kind::DELETE && !step.kept) {
                out += " lost";
            } else {
                out += " kept ";
                PutField(out, step.content);
            }
            break;
    }
    out += '\n';
}

bool TakeStep(std::string_view& in, HistoryStep& step) {
    if (TakeText(in, "rename ")) {
        step.kind = HistoryStep::Kind::RENAME;
        if (!TakeField(in, step.path) || !TakeText(in, " ") || !TakeField(in, step.target) ||
            !TakeText(in, " "))
            return false;
        if (TakeText(in, "-"))
            step.length = NO_LENGTH;
        else if (!TakeNumber(in, step.length) || step.length == NO_LENGTH)
            return false;
        return TakeText(in, "\n");
    }
    const bool write = TakeText(in, "write ");
    if (!write && !TakeText(in, "delete ")) return false;
    step.kind = write ? HistoryStep::Kind::WRITE : HistoryStep::Kind::DELETE;
    if (!TakeField(in, step.path) || !TakeText(in, " ") || !TakeNumber(in, step.length) ||
        !TakeText(in, " ") || !TakeHex(in, step.crc))
        return false;
    step.replaced = !write;
    if (write && TakeText(in, " new\n")) {
        step.replaced = false;
        return true;
    }
    step.replaced = true;
    if (TakeText(in, " lost\n")) return true;
    if (!TakeText(in, " kept ") || !TakeField(in, step.content)) return false;
    step.kept = true;
    // What was kept must be what the step says it removed or replaced: a history cut or changed
    // inside a content would otherwise hand undo the wrong bytes.
    if (!write && (step.content.size() != step.length || ContentCrc(step.content) != step.crc)) return false;
    return TakeText(in, "\n");
}

}  // namespace

void PutField(std::string& out, std::string_view field) {
    PutNumber(out, field.size());
    out += ':';
    out += field;
}

bool TakeField(std::string_view& in, std::string& field) {
    uint64_t length = 0;
    if (!TakeNumber(in, length) || !TakeText(in, ":") || in.size() < length) return false;
    field = std::string(in.substr(0, length));
    in.remove_prefix(length);
    return true;
}

std::string RunRecordText(const HistoryRun& run) {
    std::string out = "run ";
    PutNumber(out, run.id);
    out += ' ';
    PutField(out, run.time);
    out += ' ';
    PutField(out, run.command);
    out += ' ';
    PutField(out, run.folder);
    out += '\n';
    if (run.undoneBy != 0) out += "undone-by " + std::to_string(run.undoneBy) + "\n";
    for (const unsigned long id : run.undoes) out += "undoes " + std::to_string(id) + "\n";
    for (const HistoryStep& step : run.steps) PutStep(out, step);
    out += "end\n";
    return out;
}

size_t HistoryRun::Count(HistoryStep::Kind kind) const {
    return static_cast<size_t>(std::count_if(steps.begin(), steps.end(),
                                             [kind](const HistoryStep& step) { return step.kind == kind; }));
}

HistoryRun* RunHistory::Find(unsigned long id) {
    for (HistoryRun& run : runs)
        if (run.id == id) return &run;
    return nullptr;
}

uint32_t ContentCrc(std::string_view content) {
    return Crc32Update(reinterpret_cast<const uint8_t*>(content.data()), content.size(), 0xFFFFFFFFu) ^
           0xFFFFFFFFu;
}

std::string HistoryText(const RunHistory& history) {
    std::string text(HISTORY_HEAD);
    text += "next " + std::to_string(history.nextId) + "\n";
    for (const HistoryRun& run : history.runs) text += RunRecordText(run);
    text += HISTORY_TAIL;
    return text;
}

bool TakeRunRecord(std::string_view& in, HistoryRun& run) {
    if (!TakeText(in, "run ") || !TakeId(in, run.id) || !TakeText(in, " ") || !TakeField(in, run.time) ||
        !TakeText(in, " ") || !TakeField(in, run.command) || !TakeText(in, " ") ||
        !TakeField(in, run.folder) || !TakeText(in, "\n"))
        return false;
    if (TakeText(in, "undone-by ") && (!TakeId(in, run.undoneBy) || !TakeText(in, "\n"))) return false;
    while (TakeText(in, "undoes ")) {
        unsigned long id = 0;
        if (!TakeId(in, id) || !TakeText(in, "\n")) return false;
        run.undoes.push_back(id);
    }
    while (!TakeText(in, "end\n")) {
        HistoryStep step;
        if (!TakeStep(in, step)) return false;
        run.steps.push_back(std::move(step));
    }
    return true;
}

std::optional<RunHistory> ParseHistory(std::string_view in) {
    RunHistory history;
    if (!TakeText(in, HISTORY_HEAD) || !TakeText(in, "next ") || !TakeId(in, history.nextId) ||
        !TakeText(in, "\n"))
        return std::nullopt;
    while (!TakeText(in, HISTORY_TAIL)) {
        HistoryRun run;
        if (!TakeRunRecord(in, run)) return std::nullopt;
        // Ids only grow: a run's number names it for as long as it is kept.
        if (run.id == 0 || run.id >= history.nextId ||
            (!history.runs.empty() && run.id <= history.runs.back().id))
            return std::nullopt;
        history.runs.push_back(std::move(run));
    }
    if (!in.empty()) return std::nullopt;
    return history;
}

std::vector<unsigned long> BoundHistory(RunHistory& history) {
    std::vector<unsigned long> dropped;
    auto drop = [&] {
        dropped.push_back(history.runs.front().id);
        history.runs.erase(history.runs.begin());
    };
    while (history.runs.size() > HISTORY_RUNS) drop();
    size_t size = 0;
    for (const HistoryRun& run : history.runs) size += RunRecordText(run).size();
    while (history.runs.size() > 1 && size > HISTORY_SIZE_BOUND) {
        size -= RunRecordText(history.runs.front()).size();
        drop();
    }
    return dropped;
}

std::string HistoryTime(const LocalTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

LoadedHistory LoadHistory(Program& program) {
    const Files& files = program.platform.files;
    const std::string path = program.StartFile(HISTORY_NAME);
    LoadedHistory loaded;
    if (!files.Exists(path)) return loaded;
    if (!files.IsRegularFile(path)) {
        loaded.problem = "not an ordinary file";
        return loaded;
    }
    const auto length = files.FileLength(path);
    if (length && *length > HISTORY_READ_LIMIT) {
        loaded.problem = "too large to be ours";
        return loaded;
    }
    const auto text = files.ReadFile(path, HISTORY_READ_LIMIT);
    if (!text) {
        loaded.problem = "unreadable";
        return loaded;
    }
    if (!std::string_view(*text).starts_with(HISTORY_HEAD)) {
        loaded.problem = "not a run history of ours";
        return loaded;
    }
    auto parsed = ParseHistory(*text);
    if (!parsed) {
        loaded.problem = "damaged or cut";
        return loaded;
    }
    loaded.history = std::move(*parsed);
    return loaded;
}

std::string HistoryProblemLine(const std::string& problem) {
    return std::string("The run history ") + HISTORY_NAME + " is " + problem + "; it is left as it is.";
}

bool SaveHistory(Program& program, RunHistory& history) {
    if (program.platform.files.WriteFile(program.StartFile(HISTORY_NAME), HistoryText(history))) return true;
    program.pane.AppendLine(std::string("The run history ") + HISTORY_NAME + " could not be written.");
    return false;
}

bool RecordInHistory(Program& program, HistoryRun run, const std::vector<unsigned long>& undone) {
    Files& files = program.platform.files;
    LoadedHistory loaded = LoadHistory(program);
    if (!loaded.problem.empty()) {
        // The file stays whole under a name of its own: it may be the user's, or worth a look.
        std::string aside;
        for (int n = 1; n <= 999 && aside.empty(); ++n) {
            const std::string name = std::string(HISTORY_NAME) + ".damaged-" + std::to_string(n);
            if (!files.Exists(program.StartFile(name)) &&
                files.Rename(program.StartFile(HISTORY_NAME), program.StartFile(name)))
                aside = name;
        }
        if (aside.empty()) {
            program.pane.AppendLine(std::string("The run history ") + HISTORY_NAME + " is " + loaded.problem +
                                    " and could not be moved aside; this run was not recorded.");
            return false;
        }
        program.pane.AppendLine(std::string("The run history ") + HISTORY_NAME + " is " + loaded.problem +
                                "; it was kept as " + aside + " and a new one begun.");
        loaded.history = RunHistory{};
    }
    RunHistory& history = loaded.history;
    // An undo names its run before it starts; finished by a later program, it may be there already.
    if (run.id != 0 && history.Find(run.id)) return true;
    if (run.id == 0 || run.id < history.nextId || (!history.runs.empty() && run.id <= history.runs.back().id))
        run.id = history.nextId;
    history.nextId = run.id + 1;
    for (const unsigned long id : undone)
        if (HistoryRun* taken = history.Find(id)) taken->undoneBy = run.id;
    history.runs.push_back(std::move(run));
    for (const unsigned long id : BoundHistory(history))
        program.pane.AppendLine("Run " + std::to_string(id) +
                                " dropped off the run history (it keeps the last " +
                                std::to_string(HISTORY_RUNS) + " runs).");
    return SaveHistory(program, history);
}

}  // namespace cartovex
