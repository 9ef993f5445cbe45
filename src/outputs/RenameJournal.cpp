#include "outputs/RenameJournal.h"

#include <algorithm>
#include <set>

#include "common/Text.h"
#include "platform/Files.h"

namespace cartovex {

namespace {

constexpr std::string_view JOURNAL_HEAD = "Cartovex rename journal 1\n";
// A journal names a few dozen files and a few sheets; anything larger is no journal of ours.
constexpr size_t JOURNAL_READ_LIMIT = 64u << 20;

// Fields are written as their length and their bytes, so a name may hold any byte.
void PutField(std::string& out, std::string_view field) {
    out += PlainNumber(static_cast<long long>(field.size()));
    out += ':';
    out += field;
}

bool TakeField(std::string_view& in, std::string& field) {
    const size_t colon = in.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon > 9) return false;
    const std::string_view digits = in.substr(0, colon);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    const auto length = static_cast<size_t>(ReadNumber(digits));
    if (in.size() - colon - 1 < length) return false;
    field = std::string(in.substr(colon + 1, length));
    in.remove_prefix(colon + 1 + length);
    return true;
}

bool TakeText(std::string_view& in, std::string_view text) {
    if (!in.starts_with(text)) return false;
    in.remove_prefix(text.size());
    return true;
}

// The names of the files the steps move, each after the first `done` steps. A step moves the file
// that carries its source name at that moment; a source no file carries yet is a file's first name.
std::vector<std::string> NamesAfter(const std::vector<RenameStep>& steps, size_t done) {
    std::vector<std::string> current, first;
    for (size_t i = 0; i < steps.size(); ++i) {
        auto file = std::find(current.begin(), current.end(), steps[i].from);
        if (file == current.end()) {
            first.push_back(steps[i].from);
            current.push_back(steps[i].from);
            file = current.end() - 1;
        }
        *file = steps[i].to;
    }
    current = first;
    for (size_t i = 0; i < done; ++i) *std::find(current.begin(), current.end(), steps[i].from) = steps[i].to;
    return current;
}

// Names that only their case tells apart: a case-insensitive disc answers for both at once.
bool HasCaseTwin(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&name](const std::string& other) {
        return other != name && EqualsIgnoringAsciiCase(other, name);
    });
}

}  // namespace

std::string JournalText(const RenameJournal& journal) {
    std::string text(JOURNAL_HEAD);
    if (journal.checkpointed) text += "checkpointed\n";
    for (const RenameStep& step : journal.steps) {
        text += "rename ";
        PutField(text, step.from);
        text += ' ';
        PutField(text, step.to);
        text += '\n';
    }
    for (const auto& [name, content] : journal.sheets) {
        text += "sheet ";
        PutField(text, name);
        text += ' ';
        PutField(text, content);
        text += '\n';
    }
    text += "end\n";
    return text;
}

std::optional<RenameJournal> ParseJournal(std::string_view in) {
    RenameJournal journal;
    if (!TakeText(in, JOURNAL_HEAD)) return std::nullopt;
    journal.checkpointed = TakeText(in, "checkpointed\n");
    while (!TakeText(in, "end\n")) {
        std::string first, second;
        const bool rename = TakeText(in, "rename ");
        if (!rename && !TakeText(in, "sheet ")) return std::nullopt;
        if (!TakeField(in, first) || !TakeText(in, " ") || !TakeField(in, second) || !TakeText(in, "\n"))
            return std::nullopt;
        if (rename)
            journal.steps.push_back({first, second});
        else
            journal.sheets.emplace_back(first, second);
    }
    if (!in.empty()) return std::nullopt;
    return journal;
}

std::vector<RenameStep> ComposedRenames(const std::vector<RenameStep>& steps) {
    const std::vector<std::string> before = NamesAfter(steps, 0), after = NamesAfter(steps, steps.size());
    std::vector<RenameStep> renames;
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i]) renames.push_back({before[i], after[i]});
    return renames;
}

bool NeedsCheckpoints(const std::vector<RenameStep>& steps) {
    std::set<std::vector<std::string>> seen;
    for (size_t done = 0; done <= steps.size(); ++done) {
        auto names = NamesAfter(steps, done);
        std::sort(names.begin(), names.end());
        if (!seen.insert(names).second) return true;
    }
    return false;
}

std::optional<size_t> StepsDone(const Files& files, const std::vector<RenameStep>& steps, size_t mostDone) {
    std::vector<std::string> every;
    for (const RenameStep& step : steps)
        for (const std::string* name : {&step.from, &step.to})
            if (std::find(every.begin(), every.end(), *name) == every.end()) every.push_back(*name);
    std::vector<std::string> telling;  // the names whose presence says something
    for (const std::string& name : every)
        if (!HasCaseTwin(every, name)) telling.push_back(name);
    std::vector<std::string> present;
    for (const std::string& name : telling)
        if (files.Exists(name)) present.push_back(name);
    std::sort(present.begin(), present.end());
    for (size_t done = std::min(mostDone, steps.size()) + 1; done-- > 0;) {
        std::vector<std::string> names;
        for (const std::string& name : NamesAfter(steps, done))
            if (!HasCaseTwin(every, name)) names.push_back(name);
        std::sort(names.begin(), names.end());
        if (names == present) return done;
    }
    return std::nullopt;
}

Recovery FinishInterruptedRun(Program& program) {
    Files& files = program.files();
    OutputPane& pane = program.pane;
    Recovery recovery;
    // A mass run's walk saw every journal there was, and the run follows its own since.
    if (files.KeptListingSays(files.Join(files.CurrentDirectory(), JOURNAL_NAME)) == ListedKind::NOTHING ||
        !files.Exists(JOURNAL_NAME))
        return recovery;
    recovery.found = true;
    const auto text = files.ReadFile(JOURNAL_NAME, JOURNAL_READ_LIMIT);
    const auto journal = text ? ParseJournal(*text) : std::nullopt;
    const auto done =
        journal ? StepsDone(files, journal->steps, journal->checkpointed ? 1 : journal->steps.size())
                : std::nullopt;
    if (!done) {
        // Left in place, it would stop every later run here; the run's own checks come next.
        pane.AppendLine("An interrupted run could be neither finished nor undone; its journal was removed.");
        files.DeleteFile(JOURNAL_NAME);
        return recovery;
    }
    const std::vector<RenameStep>& steps = journal->steps;
    const std::vector<std::string> before = NamesAfter(steps, *done);
    size_t at = *done;
    while (at < steps.size() && files.Rename(steps[at].from, steps[at].to)) ++at;
    bool finished = at == steps.size();
    if (!finished) {
        // Something now stands in the way of the plan: every file goes back to its first name.
        while (at > 0 && files.Rename(steps[at - 1].to, steps[at - 1].from)) --at;
    }
    const std::vector<std::string> after = NamesAfter(steps, at);
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i]) recovery.renamed.push_back({before[i], after[i]});

    bool sheetsWritten = true;
    if (finished)
        for (const auto& [name, content] : journal->sheets)
            sheetsWritten = files.WriteFile(name, content) && sheetsWritten;
    if (finished && sheetsWritten) {
        pane.AppendLine("An interrupted run was finished: its files have their new names.");
    } else if (at == 0) {
        pane.AppendLine("An interrupted run was undone: its files have their old names back.");
    } else {
        pane.AppendLine("An interrupted run could not be finished; its journal is kept for the next run.");
        return recovery;
    }
    files.DeleteFile(JOURNAL_NAME);
    return recovery;
}

}  // namespace cartovex
