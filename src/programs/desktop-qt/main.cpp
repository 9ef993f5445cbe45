// The desktop program on Linux: the Qt window, the native services and the command handler. The
// program ignores its arguments; the folder it starts in is its start folder.
#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/CommandHandler.h"
#include "platform/Clock.h"
#include "platform/Native.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtWindow.h"
#include "state/Program.h"

namespace {

// A testing aid: CARTOVEX_SCREENSHOT=shot.png saves a picture of the window once it is shown, then
// closes it as the close box would (nothing is saved).
void ScheduleScreenshot(cartovex::QtWindow& window) {
    const char* path = std::getenv("CARTOVEX_SCREENSHOT");
    if (!path || !*path) return;
    const QString file = QFile::decodeName(path);
    QTimer::singleShot(500, &window, [&window, file] {
        if (!window.grab().save(file, "PNG"))
            std::fprintf(stderr, "cartovex: could not save %s\n", qPrintable(file));
        window.close();
    });
}

}  // namespace

int main(int argc, char** argv) {
    // Qt would read options such as -style from the command line; the program takes none.
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("cartovex"), nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Cartovex"));
    QGuiApplication::setDesktopFileName(QStringLiteral("cartovex"));

    auto files = cartovex::MakeNativeFiles();
    auto process = cartovex::MakeNativeProcess();
    auto network = cartovex::MakeNativeNetwork();
    cartovex::SystemClock clock;

    cartovex::QtWindow window;
    cartovex::QtDialogs dialogs(window);
    cartovex::Program program(cartovex::Platform{*files, window, dialogs, *process, *network, clock});
    cartovex::CommandHandler handler(program);

    window.SetTitle("Cartovex " + program.versionText);
    window.SetHandler({
        [&handler] { handler.Initialise(); },
        [&handler](bool active) { handler.Activate(active); },
        [&handler](int commandId, int notification) { handler.Command(commandId, notification); },
    });
    ScheduleScreenshot(window);
    window.Run();
    return 0;
}
