#include "platform/win32/window/MainWindow.h"

#include <utility>
#include <vector>

#include "platform/win32/window/DialogTemplate.h"
#include "platform/win32/window/ScreenFit.h"
#include "state/MenuModel.h"

namespace cartovex {

namespace {

constexpr COLORREF BLACK = RGB(0, 0, 0);
constexpr COLORREF WHITE = RGB(255, 255, 255);

/// What the dialog procedure needs; lives on RunMainWindow's stack for the whole run.
struct MainWindowContext {
    HINSTANCE instance;
    Win32Window& window;
    WindowHandler handler;
    HBRUSH black;
};

// A command runs inside the handler without returning to the message loop, so the keys and clicks
// a user gives meanwhile wait in the queue; replayed afterwards they would run whatever they hit
// (an About that replaces a long log, an Exit, another PROCESS). They are removed instead; paints,
// timers and sent messages stay.
void DiscardQueuedInput() {
    const std::pair<UINT, UINT> ranges[] = {
        {WM_KEYFIRST, WM_KEYLAST},
        {WM_MOUSEFIRST, WM_MOUSELAST},
        {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},  // the menu bar, the title bar and its close box
    };
    MSG message;
    for (auto [first, last] : ranges)
        while (PeekMessageA(&message, nullptr, first, last, PM_REMOVE | PM_NOYIELD)) {
        }
}

// What runs a command: a menu item or an accelerator (no control), or a click on PROCESS. The pane's
// and the banner's notifications and Esc's cancel run nothing.
bool RunsACommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (id == IDCANCEL || id == IDOK) return false;
    return lParam == 0 || (id == ID_PROCESS_BUTTON && HIWORD(wParam) <= 1);
}

void SetIcons(HINSTANCE instance, HWND dialog) {
    // The resource holds a 32 x 32 and a 16 x 16 image; each size picks its own.
    for (auto [kind, size] : {std::pair{ICON_BIG, 32}, std::pair{ICON_SMALL, 16}}) {
        HANDLE icon = LoadImageA(instance, "IDI_APP", IMAGE_ICON, size, size, LR_DEFAULTCOLOR);
        if (icon) SendMessageA(dialog, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    }
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT menuStateQuery = RegisterWindowMessageA(MENU_STATE_QUERY);
    auto* context = reinterpret_cast<MainWindowContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == menuStateQuery && menuStateQuery != 0) {
        LONG_PTR state = context ? context->window.MenuItemState(static_cast<int>(wParam)) : -1;
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, state);
        return TRUE;
    }
    switch (message) {
        case WM_INITDIALOG: {
            context = reinterpret_cast<MainWindowContext*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            SetIcons(context->instance, dialog);
            // The pane keeps everything the program appends; an edit control stops at 32 KB otherwise.
            SendDlgItemMessageA(dialog, ID_OUTPUT_PANE, EM_SETLIMITTEXT, 0, 0);
            // Attached after creation, the bar takes its height from the client area.
            HMENU bar = BuildMenuBar();
            SetMenu(dialog, bar);
            context->window.Attach(dialog, bar);
            FitMainWindowOnScreen(dialog);
            context->handler.initialise();
            return FALSE;  // the handler has placed the focus
        }
        case WM_CTLCOLORDLG:
            return context ? reinterpret_cast<INT_PTR>(context->black) : FALSE;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:  // a read-only edit control asks with this one too
        case WM_CTLCOLORBTN: {
            if (!context) return FALSE;
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, WHITE);
            SetBkColor(dc, BLACK);
            return reinterpret_cast<INT_PTR>(context->black);
        }
        case WM_ACTIVATE:
            if (context) context->handler.activate(LOWORD(wParam) != WA_INACTIVE);
            return FALSE;
        case WM_COMMAND:
            // Esc's IDCANCEL and the controls' notifications reach the handler too; it ignores them.
            if (!context) return FALSE;
            // The pane is read-only: a blinking text cursor in it would promise typing, and hide
            // that Enter and Space do nothing there. The edit control makes one whenever it gets the
            // focus.
            if (LOWORD(wParam) == ID_OUTPUT_PANE && HIWORD(wParam) == EN_SETFOCUS)
                HideCaret(reinterpret_cast<HWND>(lParam));
            context->handler.command(LOWORD(wParam), HIWORD(wParam));
            if (RunsACommand(wParam, lParam)) DiscardQueuedInput();
            return FALSE;
        case WM_CLOSE:
            // The close box, Alt+F4 and Close on the system menu end the run without saving.
            if (context) context->window.EndModal(0);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

HMENU BuildMenuBar() {
    HMENU bar = CreateMenu();
    // The menu tree lists each popup's items right after it, one level deeper.
    std::vector<HMENU> levels{bar};
    for (const MenuNode& node : MenuTree()) {
        levels.resize(static_cast<size_t>(node.depth) + 1);
        HMENU parent = levels.back();
        std::string label(node.label);
        switch (node.kind) {
            case MenuNode::POPUP: {
                HMENU popup = CreatePopupMenu();
                AppendMenuA(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), label.c_str());
                levels.push_back(popup);
                break;
            }
            case MenuNode::SEPARATOR:
                AppendMenuA(parent, MF_SEPARATOR, 0, nullptr);
                break;
            case MenuNode::COMMAND: {
                UINT flags = MF_STRING;
                if (node.initialState & MENU_CHECKED) flags |= MF_CHECKED;
                if (node.initialState & MENU_DISABLED) flags |= MF_GRAYED;
                AppendMenuA(parent, flags, static_cast<UINT_PTR>(node.id), label.c_str());
                break;
            }
        }
    }
    return bar;
}

HACCEL BuildAccelerators() {
    std::vector<ACCEL> entries;
    for (const Accelerator& a : Accelerators())
        entries.push_back(
            {static_cast<BYTE>(ACCELERATOR_FLAGS), static_cast<WORD>(a.key), static_cast<WORD>(a.commandId)});
    return CreateAcceleratorTableA(entries.data(), static_cast<int>(entries.size()));
}

int RunMainWindow(HINSTANCE instance, Win32Window& window, WindowHandler handler, const std::string& title) {
    MainWindowContext context{instance, window, std::move(handler), CreateSolidBrush(BLACK)};
    HACCEL accelerators = BuildAccelerators();
    DialogTemplate layout = MainWindowTemplate(title);
    // A modeless dialog with a loop of our own: the loop translates the accelerators before the
    // dialog manager sees the keys, and nothing else runs until the window is ended.
    HWND dialog = CreateDialogIndirectParamA(instance, layout.Get(), nullptr, MainDialogProc,
                                             reinterpret_cast<LPARAM>(&context));
    int result = -1;
    if (dialog) {
        if (!window.ModalEnded()) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            // Windows hides focus rectangles until the keyboard is first used; a keyboard user
            // must see at once which control Enter or Space will press. The mnemonics' underlines
            // keep the platform's rule (shown with Alt).
            SendMessageA(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            UpdateWindow(dialog);
        }
        MSG message;
        while (!window.ModalEnded()) {
            BOOL got = GetMessageA(&message, nullptr, 0, 0);
            if (got == 0) {
                PostQuitMessage(static_cast<int>(message.wParam));
                break;
            }
            if (got < 0) break;
            if (TranslateAcceleratorA(dialog, accelerators, &message)) continue;
            // A multi-line edit control in a dialog answers Esc by closing the dialog, and the pane
            // has the focus after every append. Esc is the cancel command here, which the handler
            // ignores, wherever the focus is.
            const bool ours = message.hwnd == dialog || IsChild(dialog, message.hwnd);
            if (ours && message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                continue;
            }
            // The pane, a multi-line edit control, would keep Tab for itself; Tab and Shift+Tab move
            // between the pane and PROCESS wherever the focus is.
            if (ours && message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
                SendMessageA(dialog, WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0, FALSE);
                continue;
            }
            if (IsDialogMessageA(dialog, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        result = window.ModalResult();
        window.Attach(nullptr, nullptr);
        DestroyWindow(dialog);  // the attached menu bar goes with it
    }
    DestroyAcceleratorTable(accelerators);
    DeleteObject(context.black);
    return result;
}

}  // namespace cartovex
