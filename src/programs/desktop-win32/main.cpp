// cartovex.exe: the desktop program on Windows. The command line and the start-up show state are
// not used; the window always opens in its normal state.
#include "platform/win32/WindowsHeaders.h"
// clang-format off
#include <objbase.h>
// clang-format on

#include "app/CommandHandler.h"
#include "platform/Clock.h"
#include "platform/Native.h"
#include "platform/win32/window/MainWindow.h"
#include "platform/win32/window/Win32Dialogs.h"
#include "state/Program.h"

using namespace cartovex;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The folder browser is a shell object: COM for this thread, single-threaded.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    {
        auto files = MakeNativeFiles();
        auto process = MakeNativeProcess();
        auto network = MakeNativeNetwork();
        SystemClock clock;
        Win32Window window;
        Win32Dialogs dialogs(window);
        Program program(Platform{*files, window, dialogs, *process, *network, clock});
        CommandHandler handler(program);
        RunMainWindow(
            instance, window,
            {
                [&handler] { handler.Initialise(); },
                [&handler](bool active) { handler.Activate(active); },
                [&handler](int commandId, int notification) { handler.Command(commandId, notification); },
            },
            "Cartovex " + program.versionText);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}
