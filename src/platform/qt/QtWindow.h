// The main window on Qt 5 Widgets: a fixed-size window laid out in dialog units of its fixed-pitch
// font, with the menu bar, accelerators and the three controls built from the shared menu model.
// It holds no program logic: initialisation, activation changes and commands go to a handler that
// main() connects to the command handler (and tests to their own recorders).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "platform/Window.h"

class QAction;
class QEventLoop;
class QFont;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QString;
class QTextBlock;

namespace cartovex {

/// The pixel size of a dialog-unit rectangle as Win32 works it out for a dialog font: a horizontal
/// unit is a quarter of the font's average character width, a vertical one an eighth of its height.
struct DialogBaseUnits {
    int averageCharWidth = 0;
    int charHeight = 0;

    static DialogBaseUnits ForFont(const QFont& font);
    int X(int dlu) const;
    int Y(int dlu) const;
};

/// Text from the program (UTF-8 where valid, otherwise read as Latin-1) with its CR LF pairs made
/// line breaks.
QString ToDisplayText(std::string_view text);

class QtWindow : public QMainWindow, public Window {
public:
    struct Handler {
        std::function<void()> initialise;
        std::function<void(bool active)> activate;
        std::function<void(int commandId, int notification)> command;
    };

    QtWindow();
    ~QtWindow() override;

    void SetTitle(const std::string& title);
    void SetHandler(Handler handler) { handler_ = std::move(handler); }

    /// Runs the window modally: the handler's initialisation first, then the window is shown,
    /// centred, until EndModal or the close box ends it. Answers EndModal's result (0 for the close
    /// box).
    int Run();
    bool Running() const { return loop_ != nullptr; }

    int MenuItemState(int commandId) const override;
    void SetMenuItemState(int commandId, int state) override;
    void EnableControl(int controlId, bool enabled) override;
    bool IsControlEnabled(int controlId) const override;
    void FocusControl(int controlId) override;
    int FocusedControl() const override;
    void SetPaneText(std::string_view text) override;
    void AppendPaneText(std::string_view text) override;
    int PaneLineCount() const override;
    void ScrollPane(int lines) override;
    void EndModal(int result) override;

    // The native objects, for the tests and the screenshot aid.
    QAction* MenuAction(int commandId) const;
    QWidget* Control(int controlId) const;
    QPlainTextEdit* Pane() const { return pane_; }
    QWidget* Client() const;
    const DialogBaseUnits& BaseUnits() const { return units_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenuBar();
    void BuildAccelerators();
    void Dispatch(int commandId, int notification);
    int BlockLines(const QTextBlock& block) const;
    void RecountPaneLines();
    int LayoutWidth() const;
    void RepaintPane();

    Handler handler_;
    DialogBaseUnits units_;
    QPlainTextEdit* pane_ = nullptr;
    QLabel* banner_ = nullptr;
    QPushButton* processButton_ = nullptr;
    std::map<int, QAction*> actions_;
    QEventLoop* loop_ = nullptr;
    bool ended_ = false;
    int result_ = 0;
    // Wrapped lines of every pane block but the last; the last one is counted on demand. Appends only
    // lay out the blocks they add, so counting stays linear in the output.
    int linesBeforeLastBlock_ = 0;
    int paneLayoutWidth_ = -1;
};

}  // namespace cartovex
