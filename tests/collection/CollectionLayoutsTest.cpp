// The layouts collections are really kept in, processed one image at a time and in one mass run,
// with the sheet repair on and off. After every run each sheet in the tree must still play, no byte
// of an image or track may have changed, and every file carries the name the title gives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "collection/Collection.h"
#include "common/Text.h"
#include "disc/Analysis.h"
#include "disc/Crc32.h"
#include "outputs/Processing.h"
#include "state/MenuModel.h"
#include "state/RunContext.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SheetCheck.h"
#include "testkit/SpyFiles.h"
#include "testkit/TestProgram.h"
#include "testkit/ZipWriter.h"

namespace cartovex {
namespace {

using Names = std::vector<std::string>;

const Names KEPT_KINDS{".bin", ".iso", ".raw", ".img",  ".ccd", ".sub",
                       ".mp3", ".wav", ".ogg", ".flac", ".zip"};

const std::string CLONE_CD_CONTROL =
    "[CloneCD]\r\nVersion=3\r\n[TRACK 1]\r\nMODE=1\r\n[TRACK 2]\r\nMODE=0\r\n[TRACK 3]\r\nMODE=0\r\n";

std::string OggTrack(int track) {
    return "OggS" + std::string(60, '\0') + static_cast<char>(track);
}

// Writes discs into a collection folder and remembers what every track file holds.
class Collection {
public:
    Collection(Program& program, const testkit::TempFolder& root) : program_(program), root_(root) {}

    // A new disc the database knows as `title` with `tracks` audio tracks; its header block.
    HeaderBlock Known(const std::string& title, int tracks) {
        testkit::HeaderSpec fields;
        fields.salt = ++salt_;
        const HeaderBlock header = testkit::BuildHeader(fields);
        HeaderDatabase& db = program_.database;
        db.entries[static_cast<size_t>(db.count++)] =
            title + "#" + HexForm(HeaderChecksum(header)) + "#" + PlainNumber(tracks);
        return header;
    }
    std::string Data(const std::string& relative, const std::string& bytes) {
        trackOf[bytes] = 1;
        dataTracks.push_back(root_ / relative);
        return root_.Write(relative, bytes);
    }
    void Audio(const std::string& relative, const std::string& bytes, int track) {
        trackOf[bytes] = track;
        root_.Write(relative, bytes);
    }
    void Other(const std::string& relative, const std::string& bytes) { root_.Write(relative, bytes); }
    // A multi-track set in `folder`: `stem` (Track NN).bin files and `stem`.cue.
    // Returns the data track's bytes.
    std::string Set(const std::string& folder, const std::string& stem, const std::string& title,
                    int audioTracks) {
        const std::string data = testkit::RawImage(Known(title, audioTracks));
        testkit::WriteMultiTrackSet(program_.files(), root_.MakeFolder(folder), stem, data, audioTracks,
                                    salt_);
        trackOf[data] = 1;
        dataTracks.push_back(root_ / (folder + "/" + stem + " (Track 01).bin"));
        for (int track = 2; track <= audioTracks + 1; ++track)
            trackOf[testkit::AudioTrackBin(track, salt_)] = track;
        return data;
    }

    std::map<std::string, long long> trackOf;  // file bytes -> the track they are
    Names dataTracks;                          // the images, to process one by one

private:
    Program& program_;
    const testkit::TempFolder& root_;
    uint32_t salt_ = 0;
};

struct Layout {
    const char* name;
    std::function<void(Collection&)> build;
    Names after;        // the image and track files afterwards, below the collection folder
    Names sheets;       // the sheets afterwards with the repair off
    Names sheetsFixed;  // ... and on
};

std::vector<Layout> Layouts() {
    const std::string azure = "Azure_Tide_Racer_(USA)";
    Names azureFiles{azure + "/" + azure + ".bin"};
    for (int track = 2; track <= 12; ++track)
        azureFiles.push_back(azure + "/" + azure + "_" + (track < 10 ? "0" : "") + std::to_string(track) +
                             ".bin");
    return {
        {"twelve-track set",
         [](Collection& c) { c.Set("Azure", "Azure Tide Racer (USA)", "Azure Tide Racer (USA)", 11); },
         azureFiles,
         {azure + "/Azure Tide Racer (USA).cue"},
         {azure + "/" + azure + ".cue"}},
        {"lone data track with its sheet",
         [](Collection& c) { c.Set("Lone", "Lone Star", "Lone Star", 0); },
         {"Lone_Star/Lone_Star.bin"},
         {"Lone_Star/Lone Star.cue"},
         {"Lone_Star/Lone_Star.cue"}},
        {"single-file set",
         [](Collection& c) {
             c.Data("Single/single.bin", testkit::RawImage(c.Known("Single File", 3)));
             c.Other("Single/single.cue", testkit::CueSheet("single.bin", 3));
         },
         {"Single_File/Single_File.bin"},
         {"Single_File/single.cue"},
         {"Single_File/Single_File.cue"}},
        {"ISO with MP3 tracks and its old sheet",
         [](Collection& c) {
             c.Data("Iso/game.iso", testkit::CookedImage(c.Known("Mp3 Disc", 2)));
             c.Audio("Iso/Track 02.mp3", testkit::Mp3Track(2), 2);
             c.Audio("Iso/Track 03.mp3", testkit::Mp3Track(3), 3);
             c.Other("Iso/game.cue",
                     "FILE \"game.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
                     "FILE \"Track 02.mp3\" MP3\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n"
                     "FILE \"Track 03.mp3\" MP3\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n");
         },
         {"Mp3_Disc/Mp3_Disc.iso", "Mp3_Disc/Mp3_Disc_02.mp3", "Mp3_Disc/Mp3_Disc_03.mp3"},
         {"Mp3_Disc/game.cue"},
         {"Mp3_Disc/game.cue"}},
        {"ISO with WAV tracks",
         [](Collection& c) {
             c.Data("Wav/game.iso", testkit::CookedImage(c.Known("Wav Disc", 2)));
             c.Audio("Wav/Track 02.wav", testkit::WavTrack(2), 2);
             c.Audio("Wav/Track 03.wav", testkit::WavTrack(3), 3);
         },
         {"Wav_Disc/Wav_Disc.iso", "Wav_Disc/Wav_Disc_02.wav", "Wav_Disc/Wav_Disc_03.wav"},
         {"Wav_Disc/Wav_Disc.CUE"},
         {"Wav_Disc/Wav_Disc.CUE"}},
        {"ISO with OGG tracks",
         [](Collection& c) {
             c.Data("Ogg/Glass Harbor (USA).iso", testkit::CookedImage(c.Known("Glass Harbor (USA)", 2)));
             c.Audio("Ogg/Glass Harbor (USA) 02.ogg", OggTrack(2), 2);
             c.Audio("Ogg/Glass Harbor (USA) 03.ogg", OggTrack(3), 3);
         },
         {"Glass_Harbor_(USA)/Glass_Harbor_(USA).iso", "Glass_Harbor_(USA)/Glass_Harbor_(USA)_02.ogg",
          "Glass_Harbor_(USA)/Glass_Harbor_(USA)_03.ogg"},
         {"Glass_Harbor_(USA)/Glass_Harbor_(USA).CUE"},
         {"Glass_Harbor_(USA)/Glass_Harbor_(USA).CUE"}},
        {"two sets in one folder",
         [](Collection& c) {
             c.Set("Both", "First (Disc A)", "First Disc", 2);
             c.Set("Both", "Second (Disc B)", "Second Disc", 1);
         },
         {"Both/First_Disc.bin", "Both/First_Disc_02.bin", "Both/First_Disc_03.bin", "Both/Second_Disc.bin",
          "Both/Second_Disc_02.bin"},
         {"Both/First (Disc A).cue", "Both/Second (Disc B).cue"},
         {"Both/First_Disc.cue", "Both/Second_Disc.cue"}},
        {"cue+img",
         [](Collection& c) {
             c.Data("CueImg/game.img", testkit::RawImage(c.Known("Img Disc", 1)));
             c.Other("CueImg/game.cue",
                     "FILE \"game.img\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
                     "  TRACK 02 AUDIO\r\n    INDEX 01 00:10:00\r\n");
         },
         {"Img_Disc/Img_Disc.img"},
         {"Img_Disc/game.cue"},
         {"Img_Disc/Img_Disc.cue"}},
        {"CloneCD set",
         [](Collection& c) {
             c.Data("Clone/game.img", testkit::RawImage(c.Known("Clone Disc", 2)));
             c.Other("Clone/game.ccd", CLONE_CD_CONTROL);
             c.Other("Clone/game.sub", std::string(96, '\x40'));
         },
         {"Clone_Disc/Clone_Disc.ccd", "Clone_Disc/Clone_Disc.img", "Clone_Disc/Clone_Disc.sub"},
         {},
         {}},
        {"folder of three archives",
         [](Collection& c) {
             for (const char* title : {"Zip One", "Zip Three", "Zip Two"}) {
                 const std::string image = testkit::RawImage(c.Known(title, 0));
                 const std::string zip = testkit::BuildZip({{"image.bin", image, true, ""}});
                 c.Data(std::string("Zips/") + title + " (packed).zip", zip);
             }
         },
         {"Zips/Zip_One.zip", "Zips/Zip_Three.zip", "Zips/Zip_Two.zip"},
         {},
         {}},
    };
}

class CollectionLayouts : public ::testing::Test {
protected:
    void SetUp() override {
        window.SetMenuItemState(CMD_TOGGLE_GENERATE_LOG, MENU_ENABLED);
        window.SetMenuItemState(CMD_TOGGLE_RENAME_FOLDER, MENU_CHECKED);
        window.SetMenuItemState(CMD_TOGGLE_UNDERSCORE, MENU_CHECKED);
    }

    void ProcessEach() {
        for (const std::string& image : collection->dataTracks) {
            program.disc.imagePath = image;
            AnalyseImage(program);
            ASSERT_NE(program.disc.matchIndex, NONE_VALUE) << image << program.pane.Text();
            ASSERT_EQ(ProcessImage(program), ProcessOutcome::DONE) << program.pane.Text();
        }
    }
    void MassRun() {
        start.test->dialogs.QueueFolder(root.Path());
        MassProcess(program);
    }
    void Run(bool mass) {
        if (mass)
            MassRun();
        else
            ProcessEach();
    }
    /// An empty collection folder and a program that knows no disc yet.
    void Afresh() {
        std::filesystem::remove_all(root.Path());
        std::filesystem::create_directories(root.Path());
        program.database = {};
        program.pane.ClearPane();
        collection.emplace(program, root);
    }
    Names FilesOfKinds(const Names& kinds) const {
        Names found;
        for (const std::string& row : root.Snapshot()) {
            const std::string path = row.substr(0, row.find('='));
            if (std::any_of(kinds.begin(), kinds.end(), [&path](const std::string& kind) {
                    return EndsWithIgnoringAsciiCase(path, kind);
                }))
                found.push_back(path);
        }
        return found;
    }

    testkit::StartFolderProgram start;
    testkit::TempFolder root;
    Program& program = start.program();
    Window& window = start.window();
    std::optional<Collection> collection;
};

TEST_F(CollectionLayouts, EveryLayoutEndsNamedAfterItsTitleWithSheetsThatPlay) {
    for (const Layout& layout : Layouts()) {
        for (const bool mass : {false, true}) {
            for (const bool fix : {false, true}) {
                SCOPED_TRACE(std::string(layout.name) + (mass ? ", mass run" : ", one by one") +
                             (fix ? ", repair on" : ", repair off"));
                Afresh();
                layout.build(*collection);
                const Names bytesBefore = testkit::ContentsOf(root.Path(), KEPT_KINDS);

                window.SetMenuItemState(CMD_TOGGLE_FIX_CUE, fix ? MENU_CHECKED : MENU_ENABLED);
                Run(mass);

                EXPECT_EQ(testkit::SheetsThatDontPlay(root.Path(), collection->trackOf), Names{});
                EXPECT_EQ(testkit::ContentsOf(root.Path(), KEPT_KINDS), bytesBefore);
                Names expected = layout.after;
                std::sort(expected.begin(), expected.end());
                EXPECT_EQ(FilesOfKinds(KEPT_KINDS), expected);
                EXPECT_EQ(FilesOfKinds({".cue"}), fix ? layout.sheetsFixed : layout.sheets);
                const std::string pane = program.pane.Text();
                for (const char* noise :
                     {"This is not a Sega CD Image!", "Could not read", "MISSING", "DUPE"})
                    EXPECT_EQ(pane.find(noise), std::string::npos) << noise << pane;
            }
        }
    }
}

// Where the file system stages writes, a mass run plans its discs in batches and commits each batch
// behind one pair of flushes; these files make it process disc by disc, as it does elsewhere.
class DiscByDiscFiles : public testkit::SpyFiles {
public:
    using SpyFiles::SpyFiles;
    bool StagesWrites() const override { return false; }
};

// A batched mass run over every layout at once ends exactly as a disc by disc one: the same files
// with the same bytes, the same pane, the same history. So does one whose batch can't be staged
// (a report that can't be written) or stops midway (a name taken just before its rename).
TEST_F(CollectionLayouts, ABatchedMassRunEndsExactlyAsADiscByDiscOne) {
    struct Case {
        const char* name;
        std::function<void(testkit::SpyFiles&)> fault;
        bool samePane;  // a batch put back says why its disc stopped in the words of a lone disc's check
    };
    const Case cases[] = {
        {"every disc processed", [](testkit::SpyFiles&) {}, true},
        {"a report that can't be written",
         [](testkit::SpyFiles& spy) {
             spy.FailWhen("WriteFile", [&spy](const std::string& path) {
                 return (path.starts_with('/') ? path : spy.CurrentDirectory() + "/" + path)
                     .ends_with("/Wav/KVX_INFO.TXT");
             });
         },
         true},
        {"a name taken just before its rename",
         [this](testkit::SpyFiles& spy) {
             spy.Before("Rename", "game.iso", [this] { root.Write("Wav/Wav_Disc.iso", "someone else's"); });
         },
         false},
    };
    window.SetMenuItemState(CMD_TOGGLE_GENERATE_LOG, MENU_CHECKED);
    window.SetMenuItemState(CMD_TOGGLE_FIX_CUE, MENU_CHECKED);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> trees[2], panes[2];
        for (const bool batched : {true, false}) {
            Afresh();
            for (const Layout& layout : Layouts()) layout.build(*collection);
            std::filesystem::remove(start.dir / ".cartovex-history");
            RunScope scope(program);
            testkit::SpyFiles staging(program.platform.files);
            DiscByDiscFiles discByDisc(program.platform.files);
            testkit::SpyFiles& files = batched ? staging : discByDisc;
            c.fault(files);
            scope.Context().files = &files;
            MassRun();
            if (batched) {
                EXPECT_GT(files.Calls("SyncFileSystems"), 0) << "no batch was committed";
            }
            trees[batched] = root.Snapshot();
            panes[batched] = testkit::PaneLines(program.pane.Text());
            trees[batched].push_back(start.dir.Read(".cartovex-history"));
        }
        EXPECT_EQ(trees[true], trees[false]);
        if (c.samePane) {
            EXPECT_EQ(panes[true], panes[false]);
        }
        EXPECT_EQ(testkit::SheetsThatDontPlay(root.Path(), collection->trackOf), Names{});
    }
}

// A multi-disc game kept as one folder: each disc beside the others and the game's playlist, which
// front-ends open to change discs. Whatever the run renames or replaces, the playlist keeps naming
// the discs in order, and no second playlist appears beside it.
TEST_F(CollectionLayouts, AMultiDiscGamesPlaylistFollowsItsDiscs) {
    struct Game {
        const char* name;
        bool sets;  // multi-track sets with sheets, else ISOs
        std::string playlist;
        std::string repairedOff, repairedOn;  // the playlist afterwards
    };
    const std::vector<Game> games = {
        {"sets", true, "#EXTM3U\r\nWillow Saga (USA) (Disc 1).cue\r\nWillow Saga (USA) (Disc 2).cue\r\n",
         "#EXTM3U\r\nWillow Saga (USA) (Disc 1).cue\r\nWillow Saga (USA) (Disc 2).cue\r\n",
         "#EXTM3U\r\nWillow_Saga_(USA)_(Disc_1).cue\r\nWillow_Saga_(USA)_(Disc_2).cue\r\n"},
        {"ISOs", false, "\xEF\xBB\xBFwillow saga (usa) (disc 1).iso\nWillow Saga (USA) (Disc 2).iso",
         "\xEF\xBB\xBFWillow_Saga_(USA)_(Disc_1).iso\nWillow_Saga_(USA)_(Disc_2).iso",
         "\xEF\xBB\xBFWillow_Saga_(USA)_(Disc_1).iso\nWillow_Saga_(USA)_(Disc_2).iso"},
    };
    const std::string folder = "Willow Saga (USA)";
    const std::string playlist = folder + "/Willow Saga (USA).m3u";
    for (const Game& game : games) {
        for (const bool mass : {false, true}) {
            for (const bool fix : {false, true}) {
                SCOPED_TRACE(std::string(game.name) + (mass ? ", mass run" : ", one by one") +
                             (fix ? ", repair on" : ", repair off"));
                Afresh();
                std::map<std::string, int> discs;
                for (int disc = 1; disc <= 2; ++disc) {
                    const std::string title = "Willow Saga (USA) (Disc " + std::to_string(disc) + ")";
                    if (game.sets) {
                        discs[collection->Set(folder, title, title, 3 - disc)] = disc;
                    } else {
                        const std::string image = testkit::CookedImage(collection->Known(title, 0));
                        collection->Data(folder + "/" + title + ".iso", image);
                        discs[image] = disc;
                    }
                }
                root.Write(playlist, game.playlist);
                window.SetMenuItemState(CMD_TOGGLE_GENERATE_CUE, MENU_CHECKED);
                window.SetMenuItemState(CMD_TOGGLE_FIX_CUE, fix ? MENU_CHECKED : MENU_ENABLED);
                Run(mass);

                EXPECT_EQ(testkit::SheetsThatDontPlay(root.Path(), collection->trackOf), Names{});
                EXPECT_EQ(testkit::PlaylistsThatDontPlay(root.Path(), discs), Names{});
                EXPECT_EQ(root.Read(playlist), fix ? game.repairedOn : game.repairedOff);
                EXPECT_EQ(FilesOfKinds({".m3u"}), Names{playlist});
            }
        }
    }
}

// A game's discs in one folder without a playlist get one from a mass run with sheet generation on:
// in disc order whatever order the files come in, CR LF, no byte-order mark, each disc's sheet.
TEST_F(CollectionLayouts, AMultiDiscGameWithoutAPlaylistGetsOne) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> discs;  // file, title
        bool sets = false;
        bool generate = true;
        bool mass = true;
        std::string written{};  // the playlist's name and content, empty for none
        std::string content{};
    };
    const std::vector<Case> cases = {
        {"ISOs named out of order",
         {{"a.iso", "Duo (USA) (Disc 2)"}, {"b.iso", "Duo (USA) (Disc 1)"}},
         false,
         true,
         true,
         "Duo_(USA).m3u",
         "Duo_(USA)_(Disc_1).CUE\r\nDuo_(USA)_(Disc_2).CUE\r\n"},
        {"sets with lettered discs",
         {{"Trio (Disc C)", "Trio (Disc C)"},
          {"Trio (Disc A)", "Trio (Disc A)"},
          {"Trio (Disc B)", "Trio (Disc B)"}},
         true,
         true,
         true,
         "Trio.m3u",
         "Trio_(Disc_A).cue\r\nTrio_(Disc_B).cue\r\nTrio_(Disc_C).cue\r\n"},
        {"sheet generation off", {{"a.iso", "Duo (Disc 1)"}, {"b.iso", "Duo (Disc 2)"}}, false, false},
        {"one disc at a time", {{"a.iso", "Duo (Disc 1)"}, {"b.iso", "Duo (Disc 2)"}}, false, true, false},
        {"one disc of two", {{"a.iso", "Duo (Disc 1)"}, {"b.iso", "Other (Disc 2)"}}},
        {"a number and a letter", {{"a.iso", "Duo (Disc 1)"}, {"b.iso", "Duo (Disc B)"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Afresh();
        std::map<std::string, int> discs;
        for (const auto& [file, title] : c.discs) {
            if (c.sets) {
                // Lettered titles: "(Disc B)" is disc 2.
                discs[collection->Set("Game", file, title, 1)] = title[title.size() - 2] - 'A' + 1;
            } else {
                const std::string image = testkit::CookedImage(collection->Known(title, 0));
                collection->Data("Game/" + file, image);
            }
        }
        window.SetMenuItemState(CMD_TOGGLE_GENERATE_CUE, c.generate ? MENU_CHECKED : MENU_ENABLED);
        window.SetMenuItemState(CMD_TOGGLE_FIX_CUE, MENU_CHECKED);
        Run(c.mass);
        if (c.written.empty()) {
            EXPECT_EQ(FilesOfKinds({".m3u"}), Names{});
            continue;
        }
        EXPECT_EQ(FilesOfKinds({".m3u"}), Names{"Game/" + c.written});
        EXPECT_EQ(root.Read("Game/" + c.written), c.content);
        EXPECT_NE(program.pane.Text().find("Playlist generated: " + c.written), std::string::npos);
        EXPECT_EQ(testkit::SheetsThatDontPlay(root.Path(), collection->trackOf), Names{});
        if (c.sets) {
            EXPECT_EQ(testkit::PlaylistsThatDontPlay(root.Path(), discs), Names{});
        }

        // A second run finds the playlist in place: it is neither written again nor doubled.
        const Names before = root.Snapshot();
        program.pane.ClearPane();
        MassRun();
        EXPECT_EQ(program.pane.Text().find("Playlist generated"), std::string::npos);
        EXPECT_EQ(root.Read("Game/" + c.written), c.content);
        EXPECT_EQ(FilesOfKinds({".m3u"}), Names{"Game/" + c.written});
    }
}

}  // namespace
}  // namespace cartovex
