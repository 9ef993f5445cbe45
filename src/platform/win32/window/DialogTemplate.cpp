#include "platform/win32/window/DialogTemplate.h"

#include "state/MenuModel.h"

namespace cartovex {

DialogTemplate::DialogTemplate(DWORD style, std::string_view title, short cx, short cy, WORD pointSize,
                               std::string_view face) {
    DoubleWord(style | DS_SETFONT);
    DoubleWord(0);  // extended style
    Word(0);        // control count, counted up by AddControl
    Word(0);        // x and y: DS_CENTER places the window
    Word(0);
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(0);  // no menu in the template: the bar is built and attached at run time
    Word(0);  // the predefined dialog class
    Text(title);
    Word(pointSize);
    Text(face);
}

void DialogTemplate::AddControl(WORD classAtom, DWORD style, short x, short y, short cx, short cy, WORD id,
                                std::string_view text) {
    AlignToDoubleWord();
    DoubleWord(style);
    DoubleWord(0);  // extended style
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);      // no creation data
    ++words_[4];  // DLGTEMPLATE::cdit, after the two DWORDs
}

void DialogTemplate::DoubleWord(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
}

void DialogTemplate::Text(std::string_view text) {
    // Our texts are in the ANSI code page, as every ...A function takes them.
    if (!text.empty()) {
        int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
        for (wchar_t c : wide) Word(static_cast<WORD>(c));
    }
    Word(0);
}

void DialogTemplate::AlignToDoubleWord() {
    if (words_.size() % 2 != 0) Word(0);
}

DialogTemplate MainWindowTemplate(std::string_view title) {
    // Not WS_VISIBLE: the window appears only after its initialisation (the start-up update) ran.
    DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER, title,
                          CLIENT_WIDTH_DLU, CLIENT_HEIGHT_DLU, 10, "Terminal");
    auto add = [&](WORD atom, DWORD style, const ControlLayout& at, std::string_view text) {
        dialog.AddControl(atom, WS_CHILD | WS_VISIBLE | style, static_cast<short>(at.x),
                          static_cast<short>(at.y), static_cast<short>(at.width),
                          static_cast<short>(at.height), static_cast<WORD>(at.id), text);
    };
    // Long lines wrap at the pane's width: no horizontal scroll bar or auto-scroll. Tab moves between
    // the pane and the PROCESS button, so the keyboard reaches PROCESS.
    add(EDIT_CLASS, ES_LEFT | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
        PANE_LAYOUT, "");
    add(STATIC_CLASS, SS_LEFT, BANNER_LAYOUT, BannerText());
    add(BUTTON_CLASS, BS_PUSHBUTTON | BS_MULTILINE | BS_VCENTER | WS_DISABLED | WS_TABSTOP, PROCESS_LAYOUT,
        ProcessCaption());
    return dialog;
}

}  // namespace cartovex
