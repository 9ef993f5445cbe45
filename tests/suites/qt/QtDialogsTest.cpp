#include <gtest/gtest.h>

#include <QDir>
#include <QRegExp>
#include <QString>

#include "platform/qt/QtDialogs.h"

namespace cartovex {
namespace {

TEST(QtDialogs, StoredFiltersBecomeQtNameFilters) {
    const struct {
        const char* stored;
        const char* qt;
    } cases[] = {
        {"Sega CD images (*.ISO, *.BIN, *.RAW, *.ZIP)|*.ISO;*.BIN;*.RAW;*.ZIP|",
         "Sega CD images (*.ISO, *.BIN, *.RAW, *.ZIP) (*.[iI][sS][oO] *.[bB][iI][nN] *.[rR][aA][wW] "
         "*.[zZ][iI][pP])"},
        {"Text|*.txt|All files|*.*|", "Text (*.[tT][xX][tT]);;All files (*.*)"},
        {"Sheets|*.cue;;*.Cu1|", "Sheets (*.[cC][uU][eE] *.[cC][uU]1)"},  // empty patterns are dropped
        {"Label without patterns", ""},
        {"Empty||Next|*.a|", "Next (*.[aA])"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(QtNameFilters(c.stored), c.qt) << c.stored;
}

// The converted patterns select the same files whatever their letter case, as Qt's dialogs apply
// them (wildcard matching).
TEST(QtDialogs, ConvertedPatternsMatchAnyLetterCase) {
    const QString pattern = QString::fromStdString(QtNameFilters("x|*.ISO|")).section('(', 1).chopped(1);
    QRegExp wildcard(pattern, Qt::CaseSensitive, QRegExp::Wildcard);
    for (const char* name : {"game.iso", "GAME.ISO", "Game.Iso"})
        EXPECT_TRUE(wildcard.exactMatch(name)) << name;
    for (const char* name : {"game.bin", "game.iso.txt", "gameiso"})
        EXPECT_FALSE(wildcard.exactMatch(name)) << name;
}

}  // namespace
}  // namespace cartovex
