// The history's file: read back as written whatever bytes the names hold, a cut or changed file
// never taken for a whole one, and the bound on its runs.
#include <gtest/gtest.h>

#include "history/RecordingFiles.h"
#include "history/RunHistory.h"
#include "history/Undo.h"

namespace cartovex {
namespace {

HistoryRun SampleRun(unsigned long id) {
    HistoryRun run;
    run.id = id;
    run.time = "2026-12-08 20:30:01";
    run.command = "mass /discs";
    run.folder = "/discs";
    HistoryStep rename;
    rename.path = "/discs/a\nb:7/x.iso";  // a name may hold any byte, line feeds and colons too
    rename.target = "/discs/a\nb:7/Title.iso";
    rename.length = 2048;
    HistoryStep folder = rename;
    folder.path = "/discs/a\nb:7";
    folder.target = "/discs/Title";
    folder.length = NO_LENGTH;
    HistoryStep written;
    written.kind = HistoryStep::Kind::WRITE;
    written.path = "/discs/Title/game.cue";
    written.length = 5;
    written.crc = ContentCrc("FILE\n");
    written.replaced = written.kept = true;
    written.content = std::string("old\0sheet", 9);
    HistoryStep created = written;
    created.replaced = created.kept = false;
    created.content.clear();
    HistoryStep removed;
    removed.kind = HistoryStep::Kind::DELETE;
    removed.path = "/discs/Title/old.cue";
    removed.content = "gone";
    removed.length = 4;
    removed.crc = ContentCrc("gone");
    removed.kept = removed.replaced = true;
    run.steps = {rename, folder, written, created, removed};
    return run;
}

RunHistory Sample() {
    RunHistory history;
    history.runs = {SampleRun(3), SampleRun(5)};
    history.runs[0].undoneBy = 5;
    history.runs[1].undoes = {3};
    history.runs[1].command = "undo 3";
    history.nextId = 6;
    return history;
}

TEST(RunHistory, ReadsBackAsWritten) {
    const RunHistory history = Sample();
    const std::string text = HistoryText(history);
    const auto read = ParseHistory(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(HistoryText(*read), text);
    EXPECT_EQ(read->runs[0].undoneBy, 5u);
    EXPECT_EQ(read->runs[1].undoes, std::vector<unsigned long>{3});
    EXPECT_EQ(read->runs[1].steps[1].length, NO_LENGTH);
    EXPECT_EQ(read->runs[1].steps[2].content, std::string("old\0sheet", 9));
    EXPECT_FALSE(read->runs[1].steps[3].replaced);
}

// However the file was cut, it is never read as a whole history of fewer runs.
TEST(RunHistory, EveryCutAndEveryChangedByteOfALengthIsRefused) {
    const std::string text = HistoryText(Sample());
    for (size_t size = 0; size < text.size(); ++size)
        EXPECT_FALSE(ParseHistory(text.substr(0, size))) << "cut at " << size;
    EXPECT_FALSE(ParseHistory(text + "x"));
    // A removed file's kept content must be what its checksum says.
    std::string changed = text;
    changed[changed.rfind("4:gone") + 2] = 'G';
    EXPECT_FALSE(ParseHistory(changed));
    // Runs out of order, or numbered past the next id.
    RunHistory swapped = Sample();
    std::swap(swapped.runs[0], swapped.runs[1]);
    EXPECT_FALSE(ParseHistory(HistoryText(swapped)));
    RunHistory ahead = Sample();
    ahead.nextId = 5;
    EXPECT_FALSE(ParseHistory(HistoryText(ahead)));
}

TEST(RunHistory, KeepsTheLastRunsAndTheNewestWhateverItsSize) {
    RunHistory history;
    for (unsigned long id = 1; id <= HISTORY_RUNS + 3; ++id) history.runs.push_back(SampleRun(id));
    history.nextId = HISTORY_RUNS + 4;
    EXPECT_EQ(BoundHistory(history), (std::vector<unsigned long>{1, 2, 3}));
    ASSERT_EQ(history.runs.size(), HISTORY_RUNS);
    EXPECT_EQ(history.runs.front().id, 4u);

    HistoryRun big = SampleRun(HISTORY_RUNS + 4);
    big.steps[2].content.assign(HISTORY_SIZE_BOUND, 'x');
    history.runs.push_back(big);
    EXPECT_EQ(BoundHistory(history).size(), HISTORY_RUNS);
    ASSERT_EQ(history.runs.size(), 1u);
    EXPECT_EQ(history.runs[0].id, HISTORY_RUNS + 4);
}

TEST(RunHistory, NamesInTheCollectionAreAbsolutePlainAndBelowItsFolder) {
    struct Case {
        const char* path;
        const char* folder;
        bool in;
    };
    const Case cases[] = {
        {"/discs/a/b.iso", "/discs", true},
        {"/discs", "/discs", true},
        {"/discs2/b.iso", "/discs", false},
        {"/discs/../etc/passwd", "/discs", false},
        {"/discs/./a", "/discs", false},
        {"discs/a", "discs", false},
        {"/discs//a", "/discs", false},
        {"/etc/passwd", "/discs", false},
        {"/a", "/", true},
        {"/discs/a/", "/discs", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LiesIn(c.path, c.folder, '/'), c.in) << c.path << " in " << c.folder;
}

}  // namespace
}  // namespace cartovex
