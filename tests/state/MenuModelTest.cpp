#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Window.h"
#include "state/MenuModel.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

TEST(MenuModelTest, BannerIsSixLinesOfSeventyFiveArtCharacters) {
    auto lines = testkit::PaneLines(std::string(BannerText()));
    ASSERT_EQ(lines.size(), 6u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.size(), 75u) << line;
        EXPECT_EQ(line.find_first_not_of(" _/\\|()<>`."), std::string::npos) << line;
    }
}

TEST(MenuModelTest, ProcessCaptionIsThreeLinesOfFortyTwo) {
    auto lines = testkit::PaneLines(std::string(ProcessCaption()));
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines) EXPECT_EQ(line.size(), 42u);
    EXPECT_EQ(lines[1].back(), ' ');
    EXPECT_EQ(std::count(lines[2].begin(), lines[2].end(), '\\'), 8);
}

TEST(MenuModelTest, CommandIdsAreUniqueAndTogglesStartAsShipped) {
    std::set<int> ids;
    for (const MenuNode& node : MenuTree()) {
        if (node.kind == MenuNode::COMMAND) {
            EXPECT_TRUE(ids.insert(node.id).second) << node.id;
        }
    }
    EXPECT_EQ(ids.size(), 17u);  // the PROCESS button shares the id space but is no menu item

    auto initial = [](int id) {
        for (const MenuNode& node : MenuTree())
            if (node.id == id) return node.initialState;
        return -1;
    };
    EXPECT_EQ(initial(CMD_TOGGLE_GENERATE_LOG), MENU_CHECKED);
    EXPECT_EQ(initial(CMD_TOGGLE_GENERATE_CUE), MENU_CHECKED);
    EXPECT_EQ(initial(CMD_TOGGLE_RENAME_FOLDER), MENU_CHECKED);
    EXPECT_EQ(initial(CMD_TOGGLE_FIX_CUE), MENU_ENABLED);
    EXPECT_EQ(initial(CMD_TOGGLE_UNDERSCORE), MENU_CHECKED);
    for (int id : {CMD_TO_EUROPE, CMD_TO_JAPAN, CMD_TO_USA}) EXPECT_EQ(initial(id), MENU_DISABLED);
    ASSERT_EQ(Toggles().size(), 5u);
    for (const ToggleInfo& toggle : Toggles()) EXPECT_TRUE(ids.count(toggle.commandId));
}

TEST(MenuModelTest, MnemonicMarkersAreReadAndRemovedLikeThePlatformsDo) {
    const struct {
        std::string_view label, plain;
        char mnemonic;
    } cases[] = {
        {"&File", "File", 'F'},
        {"E&xit\tCtrl+X", "Exit\tCtrl+X", 'X'},
        {"Generate .&CUE", "Generate .CUE", 'C'},
        {"Salt && &Pepper", "Salt & Pepper", 'P'},
        {"No marker", "No marker", 0},
        {"Trailing&", "Trailing&", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlainMenuLabel(c.label), c.plain) << c.label;
        EXPECT_EQ(MenuMnemonic(c.label), c.mnemonic) << c.label;
    }
}

// Every title and item of a menu is reachable by its own letter; the labels read as shipped.
TEST(MenuModelTest, EveryMenuHasOneDistinctMnemonicPerEntry) {
    std::vector<std::set<char>> letters(1);  // letters[d]: the letters of the menu open at depth d
    std::vector<std::pair<std::string, char>> fileMenu;
    bool inFile = false;
    for (const MenuNode& node : MenuTree()) {
        letters.resize(static_cast<size_t>(node.depth) + 1);
        if (node.depth == 0) inFile = PlainMenuLabel(node.label) == "File";
        if (node.kind == MenuNode::SEPARATOR) continue;
        const char letter = MenuMnemonic(node.label);
        const std::string plain = PlainMenuLabel(node.label);
        EXPECT_NE(letter, 0) << plain;
        EXPECT_EQ(std::count(node.label.begin(), node.label.end(), '&'), 1) << node.label;
        EXPECT_TRUE(letters.back().insert(letter).second) << letter << " twice, at " << plain;
        if (inFile && node.depth == 1) fileMenu.emplace_back(plain, letter);
        if (node.kind == MenuNode::POPUP) letters.emplace_back();
    }
    // The File menu leaves D and U to the commands that join it.
    ASSERT_FALSE(fileMenu.empty());
    EXPECT_EQ(fileMenu.front().first, "Browse for images...\tCtrl+B");
    EXPECT_EQ(fileMenu.back().first, "Exit\tCtrl+X");
    for (const auto& [plain, letter] : fileMenu) {
        if (plain.find("DAT files") != std::string::npos)
            EXPECT_EQ(letter, 'D');
        else if (plain.find("Undo") != std::string::npos)
            EXPECT_EQ(letter, 'U');
        else
            EXPECT_TRUE(letter != 'D' && letter != 'U') << plain;
    }

    std::vector<std::string> plain;
    for (const MenuNode& node : MenuTree()) plain.push_back(PlainMenuLabel(node.label));
    for (const char* label :
         {"File", "Convert Region", "To USA", "View MISS list", "View HAVE list", "Toggle", "Generate .CUE",
          "Fix BIN/CUE sheet", "Rename with underscore", "About"})
        EXPECT_NE(std::find(plain.begin(), plain.end(), label), plain.end()) << label;
}

}  // namespace
}  // namespace cartovex
