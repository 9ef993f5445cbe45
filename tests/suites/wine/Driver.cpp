// Drives the real cartovex.exe the way a user meets it: starts it in a prepared folder, looks at its
// window, menu and controls from outside, sends it commands and keys, and saves the pane's text
// at each step so that the calling script can compare it with what cartovex-cli prints.
//
//   cartovex-wine-driver PROGRAM WORKDIR OUTDIR [IMAGE [BUSY-FOLDER]]
//
// OUTDIR receives pane-startup.txt, pane-about.txt, pane-image.txt (the text the image's analysis
// appended) and process-button.txt ("enabled" or "disabled" after the analysis). Before the
// analysis' screenshot the driver writes OUTDIR\screenshot.request and waits for
// OUTDIR\screenshot.done, so the script can photograph the screen. BUSY-FOLDER is a collection
// large enough that mass processing it keeps the window busy while the driver gives it input.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/Constants.h"
#include "common/Text.h"
#include "platform/Window.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Handle.h"
#include "platform/win32/WindowsHeaders.h"
#include "platform/win32/window/MainWindow.h"
#include "state/MenuModel.h"
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

bool Ended(const Running& running, DWORD milliseconds) {
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

/// The control that has the keyboard focus in the program's thread.
HWND FocusOf(const Running& running) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(running.window, nullptr), &gui)) return nullptr;
    return gui.hwndFocus;
}

bool FocusBecomes(const Running& running, HWND control) {
    for (int waited = 0; waited <= 5000; waited += 50) {
        if (FocusOf(running) == control) return true;
        Sleep(50);
    }
    return false;
}

bool PaneEndsWith(const Running& running, const std::string& end, int milliseconds) {
    for (int waited = 0; waited <= milliseconds; waited += 100) {
        std::string text = PaneText(running);
        if (text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0)
            return true;
        Sleep(100);
    }
    return false;
}

/// Whether the program's thread answers a message within `milliseconds`: a busy one doesn't.
bool Answers(const Running& running, UINT milliseconds) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(running.window, WM_NULL, 0, 0, SMTO_NORMAL, milliseconds, &ignored) != 0;
}

/// The middle of the title bar's close box, on the screen.
POINT CloseBox(const Running& running) {
    RECT at{};
    GetWindowRect(running.window, &at);
    return POINT{at.right - GetSystemMetrics(SM_CXFIXEDFRAME) - GetSystemMetrics(SM_CXSIZE) / 2 - 1,
                 at.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYSIZE) / 2};
}

void Click(POINT at) {
    INPUT inputs[3] = {};
    const int width = GetSystemMetrics(SM_CXSCREEN) - 1, height = GetSystemMetrics(SM_CYSCREEN) - 1;
    for (INPUT& in : inputs) {
        in.type = INPUT_MOUSE;
        in.mi.dx = MulDiv(at.x, 65535, width);
        in.mi.dy = MulDiv(at.y, 65535, height);
        in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
    }
    inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(3, inputs, sizeof(INPUT));
}

/// The keyboard alone after a known disc: PROCESS has the focus, Tab and Shift+Tab move between it
/// and the pane, and Enter presses it.
void CheckKeyboard(const Running& running) {
    HWND pane = GetDlgItem(running.window, ID_OUTPUT_PANE);
    HWND button = GetDlgItem(running.window, ID_PROCESS_BUTTON);
    SetForegroundWindow(running.window);
    checks.Expect(FocusBecomes(running, button), "after a known disc PROCESS has the focus");
    PressKeys({VK_TAB});
    checks.Expect(FocusBecomes(running, pane), "Tab moves the focus to the pane");
    PressKeys({VK_SHIFT, VK_TAB});
    checks.Expect(FocusBecomes(running, button), "Shift+Tab moves it back to PROCESS");
    PressKeys({VK_RETURN});
    checks.Expect(PaneEndsWith(running, "\r\nProcess done.", 30000), "Enter presses PROCESS");
    checks.Expect(FocusBecomes(running, button), "after the processing run PROCESS has the focus again");
}

bool MenuStateBecomes(const Running& running, int id, int state) {
    for (int waited = 0; waited <= 5000; waited += 50) {
        if (MenuState(running, id) == state) return true;
        Sleep(50);
    }
    return false;
}

/// The menus from the keyboard alone: the Toggle menu's mnemonic with Alt, then its item's letter;
/// F10, then the arrows and Enter. Each flips "Generate log", so together they leave it as it was.
void CheckMenuKeys(const Running& running) {
    const int before = MenuState(running, CMD_TOGGLE_GENERATE_LOG);
    const int flipped = before == MENU_CHECKED ? MENU_ENABLED : MENU_CHECKED;
    SetForegroundWindow(running.window);
    PressKeys({VK_MENU, 'T'});
    Sleep(300);
    PressKeys({'L'});
    checks.Expect(MenuStateBecomes(running, CMD_TOGGLE_GENERATE_LOG, flipped),
                  "Alt+T, then L, flips \"Generate log\" from the Toggle menu");
    // F10 highlights File; Right moves to Toggle, Down opens it on its first item.
    SetForegroundWindow(running.window);
    PressKeys({VK_F10});
    Sleep(300);
    for (WORD key : {WORD(VK_RIGHT), WORD(VK_DOWN), WORD(VK_RETURN)}) {
        PressKeys({key});
        Sleep(200);
    }
    checks.Expect(MenuStateBecomes(running, CMD_TOGGLE_GENERATE_LOG, before),
                  "F10, Right, Down and Enter flip \"Generate log\" back");
    // Whatever is left open is closed, so the next checks meet the window as it was.
    if (MenuState(running, CMD_TOGGLE_GENERATE_LOG) != before) PressKeys({VK_ESCAPE});
}

/// A click on the close box and Ctrl+X (Exit) given while mass processing keeps the window busy
/// must not end the program once the run is over.
void CheckInputWhileBusyIsDropped(const Running& running) {
    const POINT closeBox = CloseBox(running);
    DWORD_PTR hit = 0;
    SendMessageTimeoutA(running.window, WM_NCHITTEST, 0, MAKELPARAM(closeBox.x, closeBox.y), SMTO_NORMAL,
                        10000, &hit);
    if (!checks.Equal(static_cast<int>(hit), HTCLOSE, "the driver's click lands on the close box")) return;

    SetForegroundWindow(running.window);
    PostMessageA(running.window, WM_COMMAND, MAKEWPARAM(CMD_MASS_PROCESSING, 0), 0);
    bool busy = false;
    for (int waited = 0; !busy && waited < 10000; waited += 100) busy = !Answers(running, 100);
    if (!checks.Expect(busy, "mass processing keeps the window busy")) return;
    Click(closeBox);
    PressKeys({VK_CONTROL, 'X'});
    checks.Expect(!Answers(running, 300), "the window was still busy when the click and the key came");

    checks.Expect(PaneEndsWith(running, ") finished!", 300000), "the mass processing run ends");
    Sleep(1000);
    checks.Expect(!Ended(running, 1000), "the click and the key given during the run were dropped");
    checks.Expect(PaneEndsWith(running, ") finished!", 0), "and nothing ran after the run");
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
    checks.Expect(!(paneStyle & (WS_HSCROLL | ES_AUTOHSCROLL | WS_BORDER)) && (paneStyle & WS_TABSTOP),
                  "the pane wraps long lines, has no border and is a tab stop");
    checks.Equal(ClassOf(banner), std::string("Static"), "the banner is a static control");
    checks.Equal(TextOf(banner), std::string(BannerText()), "the banner's text");
    checks.Equal(ClassOf(button), std::string("Button"), "the PROCESS button is a button");
    checks.Equal(TextOf(button), std::string(ProcessCaption()), "the PROCESS button's caption");
    LONG buttonStyle = GetWindowLongA(button, GWL_STYLE);
    checks.Expect((buttonStyle & BS_MULTILINE) && (buttonStyle & BS_VCENTER) && (buttonStyle & WS_TABSTOP),
                  "the PROCESS button has a multi-line, vertically centred caption and is a tab stop");
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
                     "the state of \"" + PlainMenuLabel(node.label.substr(0, node.label.find('\t'))) + "\"");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: cartovex-wine-driver PROGRAM WORKDIR OUTDIR [IMAGE [BUSY-FOLDER]]\n");
        return 2;
    }
    std::string program = argv[1], folder = argv[2], out = argv[3], image = argc > 4 ? argv[4] : "";
    std::string busyFolder = argc > 5 ? argv[5] : "";
    std::string ini = files.Join(folder, "Cartovex.ini");
    // The open-file dialog answers with the image and the folder browser with the busy folder,
    // without showing themselves.
    SetEnvironmentVariableA("CARTOVEX_TEST_OPEN_FILE", image.empty() ? nullptr : image.c_str());
    SetEnvironmentVariableA("CARTOVEX_TEST_FOLDER", busyFolder.empty() ? nullptr : busyFolder.c_str());

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
        CheckMenuKeys(*running);

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
            if (ProcessButtonEnabled(*running)) CheckKeyboard(*running);
        }
        if (!busyFolder.empty()) CheckInputWhileBusyIsDropped(*running);

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
        // A real click, as the one given during the busy run above.
        SetForegroundWindow(running->window);
        Click(CloseBox(*running));
        if (!checks.Expect(Ended(*running, 10000), "a click on the close box ends the program")) {
            PostMessageA(running->window, WM_SYSCOMMAND, SC_CLOSE, 0);
            checks.Expect(Ended(*running, 10000), "the close command ends the program");
        }
        checks.Equal(ReadAll(ini), iniBefore, "the close box leaves Cartovex.ini unchanged");
    }
    return checks.Finish();
}
