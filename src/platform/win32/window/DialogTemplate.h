// The main window as an in-memory dialog template: DLGTEMPLATE with its font, then one
// DLGITEMTEMPLATE per control, all in 16-bit words (Win32 reads the texts as UTF-16).
//
//   DLGTEMPLATE   style, extended style (DWORDs), item count, x, y, cx, cy (WORDs)
//                 menu 0, class 0 (the dialog class), title, point size, face name
//   per control   DWORD-aligned: style, extended style, x, y, cx, cy, id,
//                 0xFFFF + class atom, text, 0 bytes of creation data
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/WindowsHeaders.h"

namespace cartovex {

class DialogTemplate {
public:
    /// Starts the template; `cx` × `cy` dialog units are the client area the window is sized for.
    DialogTemplate(DWORD style, std::string_view title, short cx, short cy, WORD pointSize,
                   std::string_view face);

    /// `classAtom` is one of the predefined classes: 0x0080 button, 0x0081 edit, 0x0082 static.
    void AddControl(WORD classAtom, DWORD style, short x, short y, short cx, short cy, WORD id,
                    std::string_view text);

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
    const std::vector<WORD>& Words() const { return words_; }

private:
    void Word(WORD value) { words_.push_back(value); }
    void DoubleWord(DWORD value);
    void Text(std::string_view text);
    void AlignToDoubleWord();

    std::vector<WORD> words_;
};

constexpr WORD BUTTON_CLASS = 0x0080;
constexpr WORD EDIT_CLASS = 0x0081;
constexpr WORD STATIC_CLASS = 0x0082;

/// The main window's template: "Terminal" 10 pt, centred, caption, system menu and minimize box,
/// with the pane, the banner and the disabled PROCESS button at their places.
DialogTemplate MainWindowTemplate(std::string_view title);

}  // namespace cartovex
