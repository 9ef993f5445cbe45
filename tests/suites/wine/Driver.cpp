// Drives the real cartovex.exe the way a user meets it: starts it in a prepared folder, looks at its
// window, menu and controls from outside, sends it commands and keys, and saves the pane's text
// at each step so that the calling script can compare it with what cartovex-cli prints.
//
//   cartovex-wine-driver PROGRAM WORKDIR OUTDIR [IMAGE]
//
// OUTDIR receives pane-startup.txt, pane-about.txt, pane-image.txt (the text the image's analysis
// appended) and process-button.txt ("enabled" or "disabled" after the analysis). Before the
// analysis' screenshot the driver writes OUTDIR\screenshot.request and waits for
// OUTDIR\screenshot.done, so the script can photograph the screen.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/MenuModel.h"
#include "common/Constants.h"
#include "common/Text.h"
#include "platform/Window.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Handle.h"
#include "platform/win32/WindowsHeaders.h"
#include "platform/win32/window/MainWindow.h"
#include "wine/Check.h"

using namespace cartovex;

namespace {

wine::Checks checks;
Win32Files files;

struct Running {
    Win32Handle process;
    DWORD id = 0;
    HWND window = nullptr;
};

const std::string TITLE = std::string("Cartovex ") + VERSION_TEXT;

std::optional<Running> Start(const std::string& program, const std::string& folder) {
    // Arguments must change nothing.
    std::string commandLine = "\"" + program + "\" --some argument";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
        checks.Note("CreateProcess failed: " + std::to_string(GetLastError()));
        return std::nullopt;
    }
    CloseHandle(started.hThread);
    Running running;
    running.process.reset(started.hProcess);
    running.id = started.dwProcessId;
    // The window shows up only after its initialisation (the update attempt included) has run.
    for (int waited = 0; waited < 60000; waited += 100) {
        HWND found = FindWindowA(nullptr, TITLE.c_str());
        DWORD owner = 0;
        if (found) GetWindowThreadProcessId(found, &owner);
        if (found && owner == running.id && IsWindowVisible(found)) {
            running.window = found;
            WaitForInputIdle(running.process.get(), 10000);
            return running;
        }
        if (WaitForSingleObject(running.process.get(), 100) == WAIT_OBJECT_0) {
            checks.Note("the program ended before its window appeared");
            return std::nullopt;
        }
    }
    checks.Note("no visible window titled \"" + TITLE + "\" within 60 s");
    TerminateProcess(running.process.get(), 1);
    return std::nullopt;
}

bool Ended(Running& running, DWORD milliseconds) {
    return WaitForSingleObject(running.process.get(), milliseconds) == WAIT_OBJECT_0;
}

std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 10000, &length);
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                        10000, &copied);
    text.resize(copied);
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string PaneText(const Running& running) {
    return TextOf(GetDlgItem(running.window, ID_OUTPUT_PANE));
}

void Command(const Running& running, int id) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(running.window, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, 120000, &ignored);
}

/// The item's state as the program reads it: 8 checked, 2 cannot be chosen. Windows lets another
/// process read a window's menu; Wine keeps menus per process, so there the window is asked.
int MenuState(const Running& running, int id) {
    UINT state = GetMenuState(GetMenu(running.window), static_cast<UINT>(id), MF_BYCOMMAND);
    if (state != static_cast<UINT>(-1))
        return ((state & MF_CHECKED) ? MENU_CHECKED : 0) | ((state & MF_DISABLED) ? MENU_DISABLED : 0);
    static const UINT query = RegisterWindowMessageA(MENU_STATE_QUERY);
    DWORD_PTR answer = static_cast<DWORD_PTR>(-1);
    if (!SendMessageTimeoutA(running.window, query, static_cast<WPARAM>(id), 0, SMTO_NORMAL, 10000, &answer))
        return -1;
    return static_cast<int>(static_cast<LONG_PTR>(answer));
}

bool ProcessButtonEnabled(const Running& running) {
    return IsWindowEnabled(GetDlgItem(running.window, ID_PROCESS_BUTTON));
}

void Save(const std::string& path, const std::string& text) {
    if (!files.WriteFile(path, text)) checks.Note("could not write " + path);
}

std::string ReadAll(const std::string& path) {
    return files.ReadFile(path).value_or(std::string());
}

void PressKeys(const std::vector<WORD>& down) {
    std::vector<INPUT> inputs;
    for (WORD key : down) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        inputs.push_back(in);
    }
    for (auto it = down.rbegin(); it != down.rend(); ++it) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

/// Waits until the pane's text is `expected`, for at most `milliseconds`.
bool PaneBecomes(const Running& running, const std::string& expected, int milliseconds) {
    for (int waited = 0; waited <= milliseconds; waited += 100) {
        if (PaneText(running) == expected) return true;
        Sleep(100);
    }
    return false;
}

/// Asks the calling script for a screenshot of the window and waits until it has been taken. The
/// request names the window's place on the screen as X geometry (WIDTHxHEIGHT+X+Y).
void Screenshot(const Running& running, const std::string& out) {
    RECT at{};
    GetWindowRect(running.window, &at);
    Save(files.Join(out, "screenshot.request"), std::to_string(at.right - at.left) + "x" +
                                                    std::to_string(at.bottom - at.top) + "+" +
                                                    std::to_string(at.left) + "+" + std::to_string(at.top));
    std::string done = files.Join(out, "screenshot.done");
    for (int waited = 0; waited < 30000 && !files.Exists(done); waited += 100) Sleep(100);
    checks.Expect(files.Exists(done), "the screenshot was taken");
}

void CheckWindow(const Running& running) {
    HWND w = running.window;
    checks.Equal(TextOf(w), TITLE, "the window's title");
    LONG style = GetWindowLongA(w, GWL_STYLE);
    checks.Expect((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) && (style & WS_MINIMIZEBOX),
                  "the window has a title bar, a system menu and a minimize box");
    checks.Expect(!(style & WS_MAXIMIZEBOX) && !(style & WS_THICKFRAME),
                  "the window can't be maximized or resized");
    // The icons can't be asked for from outside under Wine (WM_GETICON answers 0 across processes);
    // the backend test checks the resource and the screenshot shows the title bar's icon.

    HWND pane = GetDlgItem(w, ID_OUTPUT_PANE), banner = GetDlgItem(w, ID_BANNER),
         button = GetDlgItem(w, ID_PROCESS_BUTTON);
    checks.Expect(pane && banner && button, "the pane, the banner and the PROCESS button exist");
    if (!pane || !banner || !button) return;
    checks.Equal(ClassOf(pane), std::string("Edit"), "the pane is an edit control");
    LONG paneStyle = GetWindowLongA(pane, GWL_STYLE);
    LONG wanted = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL;
    checks.Expect((paneStyle & wanted) == wanted, "the pane is multi-line, read-only and scrolls vertically");
    checks.Expect(!(paneStyle & (WS_HSCROLL | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP)),
                  "the pane wraps long lines and has no border and no tab stop");
    checks.Equal(ClassOf(banner), std::string("Static"), "the banner is a static control");
    checks.Equal(TextOf(banner), std::string(BannerText()), "the banner's text");
    checks.Equal(ClassOf(button), std::string("Button"), "the PROCESS button is a button");
    checks.Equal(TextOf(button), std::string(ProcessCaption()), "the PROCESS button's caption");
    LONG buttonStyle = GetWindowLongA(button, GWL_STYLE);
    checks.Expect((buttonStyle & BS_MULTILINE) && (buttonStyle & BS_VCENTER) && !(buttonStyle & WS_TABSTOP),
                  "the PROCESS button has a multi-line, vertically centred caption and no tab stop");
    checks.Expect(!ProcessButtonEnabled(running), "the PROCESS button starts disabled");

    // Dialog units from the controls' own places: the banner starts at x 5 and y 5, the pane at x 20,
    // y 60, the PROCESS button at y 250. The client area is 350 x 310 units less the menu bar, which
    // was attached after the window had been sized.
    RECT client{}, paneAt{}, bannerAt{}, buttonAt{};
    GetClientRect(w, &client);
    GetWindowRect(pane, &paneAt);
    GetWindowRect(banner, &bannerAt);
    GetWindowRect(button, &buttonAt);
    double unitX = (paneAt.left - bannerAt.left) / 15.0;
    double unitY = (buttonAt.top - paneAt.top) / 190.0;
    double widthUnits = client.right / unitX;
    double heightUnits = (client.bottom + GetSystemMetrics(SM_CYMENU)) / unitY;
    checks.Note("client area " + std::to_string(client.right) + " x " + std::to_string(client.bottom) +
                " pixels, " + std::to_string(widthUnits) + " x " + std::to_string(heightUnits) +
                " units with the menu bar");
    checks.Expect(widthUnits > 348 && widthUnits < 352, "the client area is 350 units wide");
    checks.Expect(heightUnits > 305 && heightUnits < 315 && client.bottom / unitY < 305,
                  "the client area is 310 units high less the menu bar");
}

void CheckInitialMenu(const Running& running) {
    bool readable = MenuState(running, CMD_ABOUT) >= 0;
    if (!checks.Expect(readable, "the menu bar's items can be read by command id")) return;
    for (const MenuNode& node : MenuTree()) {
        if (node.kind != MenuNode::COMMAND) continue;
        checks.Equal(MenuState(running, node.id), node.initialState,
                     "the state of \"" + std::string(node.label.substr(0, node.label.find('\t'))) + "\"");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: cartovex-wine-driver PROGRAM WORKDIR OUTDIR [IMAGE]\n");
        return 2;
    }
    std::string program = argv[1], folder = argv[2], out = argv[3], image = argc > 4 ? argv[4] : "";
    std::string ini = files.Join(folder, "Cartovex.ini");
    // The open-file dialog answers with the image without showing itself.
    SetEnvironmentVariableA("CARTOVEX_TEST_OPEN_FILE", image.empty() ? nullptr : image.c_str());

    // First run: everything a user sees, then Exit.
    auto running = Start(program, folder);
    if (!checks.Expect(running.has_value(), "the program starts and shows its window"))
        return checks.Finish();
    CheckWindow(*running);
    CheckInitialMenu(*running);

    std::string startup = PaneText(*running);
    Save(files.Join(out, "pane-startup.txt"), startup);
    bool shell = !startup.empty();
    if (!shell) checks.Note("the pane is empty after start-up: the command handler does nothing yet");
    if (shell) {
        checks.Expect(startup.rfind("\r\n", 0) == 0, "the pane starts with an empty line");

        Command(*running, CMD_ABOUT);
        std::string about = PaneText(*running);
        Save(files.Join(out, "pane-about.txt"), about);
        checks.Expect(!about.empty() && startup.rfind(about, 0) == 0,
                      "About shows the text the start-up began with");

        int before = MenuState(*running, CMD_TOGGLE_GENERATE_LOG);
        Command(*running, CMD_TOGGLE_GENERATE_LOG);
        checks.Equal(MenuState(*running, CMD_TOGGLE_GENERATE_LOG), before == MENU_CHECKED ? 0 : MENU_CHECKED,
                     "\"Generate log\" flips its check mark");

        // Esc sends the dialog's cancel command, which must not end the window.
        SetForegroundWindow(running->window);
        PressKeys({VK_ESCAPE});
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(running->window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0, SMTO_NORMAL, 10000,
                            &ignored);
        checks.Expect(!Ended(*running, 1000), "Esc and the cancel command leave the window open");

        if (!image.empty()) {
            Command(*running, CMD_ABOUT);
            std::string shown = PaneText(*running);
            Command(*running, CMD_BROWSE_IMAGES);
            std::string after = PaneText(*running);
            checks.Expect(after.size() > shown.size() && after.rfind(shown, 0) == 0,
                          "Browse for images appends the image's analysis below the About text");
            Save(files.Join(out, "pane-image.txt"), after.substr(std::min(shown.size(), after.size())));
            Save(files.Join(out, "process-button.txt"),
                 ProcessButtonEnabled(*running) ? "enabled" : "disabled");
            // Region conversion is offered for images whose name says ISO, in any case.
            std::string name = AsciiUpper(image.substr(image.find_last_of("\\/") + 1));
            int regionState = Contains(name, "ISO") ? MENU_ENABLED : MENU_DISABLED;
            for (int id : {CMD_TO_EUROPE, CMD_TO_JAPAN, CMD_TO_USA})
                checks.Equal(MenuState(*running, id), regionState,
                             "after the analysis, region command " + std::to_string(id) + "'s state");

            // The same through Ctrl+B, translated by the window's accelerator table.
            Command(*running, CMD_ABOUT);
            SetForegroundWindow(running->window);
            PressKeys({VK_CONTROL, 'B'});
            checks.Expect(PaneBecomes(*running, after, 10000), "Ctrl+B runs Browse for images");

            Screenshot(*running, out);
        }

        std::string iniBefore = ReadAll(ini);
        Command(*running, CMD_EXIT);
        checks.Expect(Ended(*running, 10000), "Exit ends the program");
        std::string written = ReadAll(ini);
        checks.Expect(written != iniBefore || iniBefore.find("TOGGLE_GENERATELOG=off") != std::string::npos,
                      "Exit rewrote Cartovex.ini");
        checks.Expect(
            written.find("\r\nTOGGLE_GENERATELOG=" + std::string(before == MENU_CHECKED ? "off" : "on") +
                         "\r\n") != std::string::npos,
            "Cartovex.ini holds the flipped \"Generate log\" toggle");
    } else {
        Screenshot(*running, out);
        PostMessageA(running->window, WM_CLOSE, 0, 0);
        checks.Expect(Ended(*running, 10000), "the close command ends the program");
    }

    // Second run: a toggle flipped and the close box pressed leave the settings file as it was.
    std::string iniBefore = ReadAll(ini);
    running = Start(program, folder);
    if (checks.Expect(running.has_value(), "the program starts a second time")) {
        Command(*running, CMD_TOGGLE_UNDERSCORE);
        PostMessageA(running->window, WM_SYSCOMMAND, SC_CLOSE, 0);
        checks.Expect(Ended(*running, 10000), "the close box ends the program");
        checks.Equal(ReadAll(ini), iniBefore, "the close box leaves Cartovex.ini unchanged");
    }
    return checks.Finish();
}
