// The main window on Qt 5 Widgets: a window laid out in dialog units of its fixed-pitch
// font (grown as the font's metrics need, see WindowLayout.h), with the menu bar, accelerators and
// the three controls built from the shared menu model. It opens at its natural size or the
// screen's, whichever is smaller, and can be resized, the pane taking the difference. It holds no program
// logic: initialisation, activation changes and commands go to a handler that main() connects to the command
// handler (and tests to their own recorders).
//
// While a command runs the pane takes its text, and the whole window is painted, at most about 30
// times a second and once at the end; input given meanwhile is dropped when the command ends.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "platform/Window.h"
#include "platform/qt/WindowLayout.h"

class QAction;
class QEventLoop;
class QLabel;
class QPushButton;

namespace cartovex {

class PaneView;

/// Text from the program (UTF-8 where valid, otherwise read as Latin-1) with its CR LF pairs made
/// line breaks.
QString ToDisplayText(std::string_view text);

class QtWindow : public QMainWindow, public Window {
public:
    using Handler = WindowHandler;

    QtWindow();
    ~QtWindow() override;

    void SetTitle(const std::string& title);
    void SetHandler(Handler handler) { handler_ = std::move(handler); }

    /// Runs the window modally: the handler's initialisation first, then the window is shown,
    /// centred, until EndModal or the close box ends it. Answers EndModal's result (0 for the close
    /// box).
    int Run();
    bool Running() const { return loop_ != nullptr; }

    /// A command's modal dialog is about to open: the pane shows what it holds so far.
    void DialogOpening();
    /// The dialog has closed. The window counts as active again at once, as it does on Windows
    /// before the dialog's function returns, so the focus the command gives afterwards (PROCESS
    /// after a known disc) is the one the window keeps.
    void DialogClosed();

    int MenuItemState(int commandId) const override;
    void SetMenuItemState(int commandId, int state) override;
    void EnableControl(int controlId, bool enabled) override;
    bool IsControlEnabled(int controlId) const override;
    void FocusControl(int controlId) override;
    int FocusedControl() const override;
    void SetPaneText(std::string_view text) override;
    void AppendPaneText(std::string_view text) override;
    /// Lines never wrap in this pane: each line of text is one line on screen.
    int PaneLineCount() const override;
    void ScrollPane(int lines) override;
    void EndModal(int result) override;

    // The native objects, for the tests and the screenshot aid.
    QAction* MenuAction(int commandId) const;
    QWidget* Control(int controlId) const;
    PaneView* Pane() const { return pane_; }
    QWidget* Client() const;
    const WindowGeometry& Geometry() const { return geometry_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void PlaceControls();
    void ApplyGeometry();
    void FitFrameOnScreen();
    void OpenFirstMenu();
    void BuildMenuBar();
    void BuildAccelerators();
    void Dispatch(int commandId, int notification);
    /// Runs the handler's work as a command: the pane is throttled meanwhile and brought up to date
    /// at the end, and the input given meanwhile is dropped.
    void RunCommand(const std::function<void()>& work);
    void TellHandlerActive(bool active);
    /// Brings the pane up to date now, or, during a command, once the last update is old enough.
    void UpdatePaneSoon();
    void UpdatePane();

    Handler handler_;
    WindowGeometry geometry_;
    PaneView* pane_ = nullptr;
    QLabel* banner_ = nullptr;
    QPushButton* processButton_ = nullptr;
    std::map<int, QAction*> actions_;
    QEventLoop* loop_ = nullptr;
    bool ended_ = false;
    int result_ = 0;
    /// What the handler was told last; Qt's own activation events can come late or twice.
    bool handlerActive_ = false;
    /// Commands under way; one started from inside another (a dialog's own event loop could let
    /// one in) leaves the end's work to the outer one.
    int commandsRunning_ = 0;
    /// Alt is down and no other key has been pressed since.
    bool loneAlt_ = false;

    // The pane's text not yet handed to the control, and its line breaks.
    QString pendingText_;
    int pendingBreaks_ = 0;
    bool scrollPending_ = false;
    QElapsedTimer paneUpdated_;
};

}  // namespace cartovex
