#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QRegExp>
#include <QString>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtWindow.h"
#include "testkit/TempFolder.h"

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

TEST(DialogFolders, TheDataFolderSendsADialogHomeFirstThenWhereTheLastEnded) {
    DialogFolders folders("/home/u/.local/share/cartovex", "/home/u");
    EXPECT_EQ(folders.StartIn("/home/u/.local/share/cartovex"), "/home/u");
    EXPECT_EQ(folders.StartIn(""), "/home/u");
    EXPECT_EQ(folders.StartIn("/media/games"), "/media/games") << "a working folder of the user's own";

    folders.Ended("/media/games/Sonic");
    EXPECT_EQ(folders.StartIn("/home/u/.local/share/cartovex"), "/media/games/Sonic");
    EXPECT_EQ(folders.StartIn(""), "/media/games/Sonic");
    EXPECT_EQ(folders.StartIn("/srv/other"), "/srv/other");

    folders.Ended("/home/u/.local/share/cartovex");  // the user went there: nothing to come back to
    EXPECT_EQ(folders.StartIn(""), "/media/games/Sonic");
}

// The real dialogs: each records where it started, and then goes to a folder or cancels.
class QtDialogFolders : public ::testing::Test {
protected:
    void NextDialog(const std::string& goTo, bool confirm) {
        QTimer::singleShot(0, [this, goTo, confirm] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no file dialog is open";
                return;
            }
            startedIn.push_back(dialog->directory().absolutePath().toStdString());
            if (!goTo.empty()) dialog->setDirectory(QString::fromStdString(goTo));
            if (confirm) {
                dialog->selectFile(QString::fromStdString(goTo));
                static_cast<QDialog*>(dialog)->accept();
            } else {
                dialog->reject();
            }
        });
    }

    std::string Canonical(const std::string& path) {
        return QDir(QString::fromStdString(path)).canonicalPath().toStdString();
    }

    testkit::TempFolder root;
    const std::string data = Canonical(root.MakeFolder("share/cartovex"));
    const std::string home = Canonical(root.MakeFolder("home"));
    const std::string games = Canonical(root.MakeFolder("games"));
    const std::string other = Canonical(root.MakeFolder("other"));
    QtWindow window;
    QtDialogs dialogs{window, DialogFolders(data, home)};
    std::vector<std::string> startedIn;
};

TEST_F(QtDialogFolders, StartedFromTheMenuTheDialogsOpenAtHomeThenWhereTheLastOneEnded) {
    OpenFileRequest request{"Open", "Images|*.iso|", data};
    NextDialog(games, false);
    EXPECT_EQ(dialogs.OpenFile(request), "");
    NextDialog("", false);
    dialogs.OpenFile(request);
    NextDialog(other, true);
    EXPECT_EQ(dialogs.BrowseForFolder("Choose a folder"), other);
    NextDialog("", false);
    dialogs.BrowseForFolder("Choose a folder");
    request.initialFolder = games;  // the analysis made the image's folder current
    NextDialog("", false);
    dialogs.OpenFile(request);
    EXPECT_EQ(startedIn, (std::vector<std::string>{home, games, games, other, games}));
}

}  // namespace
}  // namespace cartovex
