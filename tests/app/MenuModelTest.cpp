#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/MenuModel.h"
#include "platform/Window.h"
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
    EXPECT_EQ(ids.size(), 16u);  // the PROCESS button shares the id space but is no menu item

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

}  // namespace
}  // namespace cartovex
