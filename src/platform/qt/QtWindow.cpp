#include "platform/qt/QtWindow.h"

#include <QAction>
#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QShortcutEvent>
#include <QStyle>
#include <QTextCodec>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <vector>

#include "platform/qt/PaneView.h"
#include "platform/qt/StaleInput.h"
#include "state/MenuModel.h"

// The icon artwork, drawn by tools/make-icon.py.
#include "cartovex-16.xpm"
#include "cartovex-32.xpm"

namespace cartovex {

namespace {

// The window's font stands in for the 10-point raster "Terminal" font: any fixed-pitch face at
// 10 points keeps the banner's and the PROCESS caption's character art aligned.
QFont WindowFont() {
    QFont font(QStringLiteral("DejaVu Sans Mono"), 10);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(10);
    }
    return font;
}

// The shared labels mark their mnemonics with '&', as Qt does.
QString MenuLabel(std::string_view label) {
    return QString::fromUtf8(label.data(), int(label.size()));
}

void SetWhiteOnBlack(QWidget* widget) {
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, Qt::white);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, Qt::gray);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// The pane catches up with the program this often during a command: often enough to look live,
// seldom enough that a long run doesn't pay a repaint per line.
constexpr qint64 PANE_UPDATE_MS = 33;

// The screen's room for the client area: its free space less the window manager's title bar.
QSize RoomOnScreen(const QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return QSize(INT_MAX, INT_MAX);
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return screen->availableGeometry().size() - QSize(0, titleBar);
}

void ApplyMenuState(QAction* action, int state) {
    // Only a checked item is checkable: an unchecked one then shows no empty box, as on Windows.
    const bool checked = (state & MENU_CHECKED) != 0;
    if (checked) {
        action->setCheckable(true);
        action->setChecked(true);
    } else {
        action->setChecked(false);
        action->setCheckable(false);
    }
    action->setEnabled((state & MENU_DISABLED) == 0);
}

// The bar's own commands (About): the bar takes their Alt mnemonic only to highlight them, as if
// they opened a menu. Here the mnemonic chooses the command, as a click does.
class BarCommandMnemonics : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut) return false;
        const QKeySequence key = static_cast<QShortcutEvent*>(event)->key();
        for (QAction* action : static_cast<QWidget*>(watched)->actions())
            if (!action->menu() && action->isEnabled() && QKeySequence::mnemonic(action->text()) == key) {
                action->trigger();
                return true;
            }
        return false;
    }
};

}  // namespace

QString ToDisplayText(std::string_view text) {
    const int size = int(std::min<size_t>(text.size(), INT_MAX));
    // Nearly every line is plain ASCII: then each byte is its character, and a CR goes where an LF
    // follows it.
    if (std::all_of(text.begin(), text.begin() + size, [](char c) { return (c & 0x80) == 0; })) {
        QString shown(size, Qt::Uninitialized);
        QChar* out = shown.data();
        for (int i = 0; i < size; ++i)
            if (text[i] != '\r' || i + 1 == size || text[i + 1] != '\n') *out++ = QLatin1Char(text[i]);
        shown.truncate(int(out - shown.constData()));
        return shown;
    }
    QTextCodec::ConverterState state;
    QString shown = QTextCodec::codecForMib(106)->toUnicode(text.data(), size, &state);
    // Header fields and old file names are not always UTF-8; show their bytes rather than U+FFFD.
    if (state.invalidChars > 0 || state.remainingChars > 0) shown = QString::fromLatin1(text.data(), size);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QtWindow::QtWindow()
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint) {
    auto* client = new QWidget(this);
    client->setFont(WindowFont());
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, Qt::black);
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    setCentralWidget(client);
    BuildControls();

    // The window is sized for its client area before the bar is attached; the bar then takes its
    // height from the client area, not from the screen.
    PlaceControls();
    BuildMenuBar();
    setMinimumSize(geometry_.minimum);
    resize(geometry_.client);
    BuildAccelerators();

    QIcon icon;
    icon.addPixmap(QPixmap(cartovex_32_xpm));
    icon.addPixmap(QPixmap(cartovex_16_xpm));
    setWindowIcon(icon);
}

QtWindow::~QtWindow() {
    qApp->removeEventFilter(this);
}

void QtWindow::BuildControls() {
    QWidget* client = centralWidget();

    pane_ = new PaneView(client);
    pane_->setFrameShape(QFrame::NoFrame);
    pane_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A rule or a long line stays one line; where the screen is too narrow, the pane scrolls sideways.
    pane_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SetWhiteOnBlack(pane_);
    for (QScrollBar* bar : {pane_->verticalScrollBar(), pane_->horizontalScrollBar()})
        bar->setPalette(QApplication::palette());  // the system's scroll bar colours

    banner_ = new QLabel(client);
    banner_->setTextFormat(Qt::PlainText);  // the art holds '<' and '>'
    banner_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    banner_->setText(ToDisplayText(BannerText()));
    SetWhiteOnBlack(banner_);

    processButton_ = new QPushButton(client);
    processButton_->setText(ToDisplayText(ProcessCaption()));
    processButton_->setFocusPolicy(Qt::StrongFocus);
    // Enter presses the button when it has the focus, as Space does.
    processButton_->setAutoDefault(true);
    // A style sheet, because most styles paint push buttons in their own colours whatever the palette.
    // With the focus it takes the default-button look: a thicker white frame, seen at once.
    processButton_->setStyleSheet(
        QStringLiteral("QPushButton { color: white; background-color: black; border: 2px outset #808080; }"
                       "QPushButton:pressed { border-style: inset; }"
                       "QPushButton:focus { border: 4px solid white; }"
                       "QPushButton:disabled { color: gray; border-color: #404040; }"));
    processButton_->setEnabled(false);
    connect(processButton_, &QPushButton::clicked, this, [this] { Dispatch(CMD_PROCESS, 0); });
}

void QtWindow::PlaceControls() {
    LayoutNeeds needs;
    needs.font = DialogBaseUnits::ForFont(centralWidget()->font());
    needs.paneWidth = pane_->WidthFor(PANE_COLUMNS);
    needs.banner = banner_->sizeHint();
    needs.button = processButton_->sizeHint();

    geometry_ = LayOutWindow(needs, RoomOnScreen(*this));
    ApplyGeometry();
}

void QtWindow::ApplyGeometry() {
    pane_->setGeometry(geometry_.pane);
    banner_->setGeometry(geometry_.banner);
    processButton_->setGeometry(geometry_.button);
}

// The controls' places are worked out for the whole window, the menu bar's height included, as
// they were when the window was sized.
void QtWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!pane_) return;
    ArrangeControls(geometry_, size());
    ApplyGeometry();
}

// The window manager's frame is known only once the window is on screen: where it sticks out of
// the screen's free area, the window shrinks (down to its minimum) and moves inside.
void QtWindow::FitFrameOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen || !isVisible() || isMinimized()) return;
    const QRect room = screen->availableGeometry();
    const QRect frame = frameGeometry();
    if (room.contains(frame)) return;
    const QSize frameExtra = frame.size() - size();
    const QSize fitted = size().boundedTo(room.size() - frameExtra).expandedTo(minimumSize());
    if (fitted != size()) resize(fitted);
    const QSize outer = fitted + frameExtra;
    QPoint at = frame.topLeft();
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - outer.width())));
    at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - outer.height())));
    if (at != frame.topLeft()) move(at);
}

void QtWindow::BuildMenuBar() {
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);  // a global menu would give the client area back its height
    bar->installEventFilter(new BarCommandMnemonics(bar));
    std::vector<QMenu*> open;  // open[d] receives the items of depth d + 1
    for (const MenuNode& node : MenuTree()) {
        open.resize(node.depth);
        QMenu* parent = node.depth > 0 ? open[node.depth - 1] : nullptr;
        switch (node.kind) {
            case MenuNode::POPUP:
                open.push_back(parent ? parent->addMenu(MenuLabel(node.label))
                                      : bar->addMenu(MenuLabel(node.label)));
                break;
            case MenuNode::SEPARATOR:
                if (parent) parent->addSeparator();
                break;
            case MenuNode::COMMAND: {
                QAction* action =
                    parent ? parent->addAction(MenuLabel(node.label)) : bar->addAction(MenuLabel(node.label));
                ApplyMenuState(action, node.initialState);
                const int id = node.id;
                connect(action, &QAction::triggered, this, [this, action, id] {
                    // Choosing a checked item unchecks it on its own; the check mark is the handler's
                    // to flip.
                    if (action->isCheckable() && !action->isChecked()) action->setChecked(true);
                    Dispatch(id, 0);
                });
                actions_[id] = action;
                break;
            }
        }
    }
}

void QtWindow::BuildAccelerators() {
    for (const Accelerator& accelerator : Accelerators()) {
        const int key = Qt::Key_A + (accelerator.key - 'A');
        auto* shortcut = new QShortcut(QKeySequence(int(Qt::CTRL) | key), this);
        shortcut->setContext(Qt::WindowShortcut);
        const int id = accelerator.commandId;
        connect(shortcut, &QShortcut::activated, this, [this, id] { Dispatch(id, 0); });
    }
    // F10 opens the first menu, as GNOME, KDE and Windows have it; the arrows go on from there.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    f10->setContext(Qt::WindowShortcut);
    connect(f10, &QShortcut::activated, this, [this] { OpenFirstMenu(); });
    // A lone Alt does the same: pressed and released with nothing else between.
    qApp->installEventFilter(this);
}

void QtWindow::OpenFirstMenu() {
    const QList<QAction*> titles = menuBar()->actions();
    if (!titles.isEmpty()) menuBar()->setActiveAction(titles.front());
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat()) loneAlt_ = key->key() == Qt::Key_Alt;
            break;
        }
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Alt && loneAlt_ && !key->isAutoRepeat()) {
                loneAlt_ = false;
                if (isActiveWindow() && !QApplication::activePopupWidget() && commandsRunning_ == 0)
                    OpenFirstMenu();
            }
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
            loneAlt_ = false;
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void QtWindow::SetTitle(const std::string& title) {
    setWindowTitle(QString::fromUtf8(title.c_str()));
}

void QtWindow::Dispatch(int commandId, int notification) {
    if (handler_.command) RunCommand([&] { handler_.command(commandId, notification); });
}

void QtWindow::RunCommand(const std::function<void()>& work) {
    ++commandsRunning_;
    work();
    if (--commandsRunning_ > 0) return;
    UpdatePane();
    // Nobody can give a hidden window input (before the start, after Exit).
    if (isVisible()) DropQueuedInput();
}

int QtWindow::Run() {
    ended_ = false;
    result_ = 0;
    // The start-up update can take seconds; for the pane it is a command like the others.
    if (handler_.initialise) RunCommand(handler_.initialise);
    if (ended_) return result_;

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        const QPoint centred = room.center() - QPoint(width() / 2, height() / 2);
        move(std::max(centred.x(), room.left()), std::max(centred.y(), room.top()));
    }
    show();
    // The pane has its real size now; keep the last start-up line in view.
    ScrollPane(1);
    // The window manager frames the window a moment after it is shown, and may take a while.
    for (int after : {0, 100, 500, 1500}) QTimer::singleShot(after, this, [this] { FitFrameOnScreen(); });

    QEventLoop loop;
    loop_ = &loop;
    if (!ended_) loop.exec();
    loop_ = nullptr;
    return result_;
}

bool QtWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate)
        TellHandlerActive(event->type() == QEvent::WindowActivate);
    return QMainWindow::event(event);
}

void QtWindow::TellHandlerActive(bool active) {
    if (active == handlerActive_) return;
    handlerActive_ = active;
    if (handler_.activate) handler_.activate(active);
}

void QtWindow::DialogOpening() {
    UpdatePane();
}

// Qt activates the window again only once the event loop runs, after the command: the handler
// would then give the focus back to the control the dialog took it from, over the one the command
// chose.
void QtWindow::DialogClosed() {
    if (isVisible()) TellHandlerActive(true);
}

// The close box, Alt+F4 and the window menu's Close end the run without a command, so nothing is
// saved. Exit goes through the handler, which saves and then calls EndModal.
void QtWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!ended_) {
        ended_ = true;
        result_ = 0;
    }
    if (loop_) loop_->exit(result_);
}

void QtWindow::EndModal(int result) {
    ended_ = true;
    result_ = result;
    hide();
    if (loop_) loop_->exit(result);
}

QAction* QtWindow::MenuAction(int commandId) const {
    auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

QWidget* QtWindow::Control(int controlId) const {
    switch (controlId) {
        case ID_OUTPUT_PANE:
            return pane_;
        case ID_BANNER:
            return banner_;
        case ID_PROCESS_BUTTON:
            return processButton_;
        default:
            return nullptr;
    }
}

QWidget* QtWindow::Client() const {
    return centralWidget();
}

int QtWindow::MenuItemState(int commandId) const {
    const QAction* action = MenuAction(commandId);
    if (!action) return -1;  // what Windows answers for an id the menu doesn't hold
    return (action->isChecked() ? MENU_CHECKED : 0) | (action->isEnabled() ? 0 : MENU_DISABLED);
}

void QtWindow::SetMenuItemState(int commandId, int state) {
    // Each analysis sets four items, mostly as they were; a change makes the menus lay out again.
    QAction* action = MenuAction(commandId);
    if (action && MenuItemState(commandId) != (state & (MENU_CHECKED | MENU_DISABLED)))
        ApplyMenuState(action, state);
}

void QtWindow::EnableControl(int controlId, bool enabled) {
    if (QWidget* control = Control(controlId)) control->setEnabled(enabled);
}

bool QtWindow::IsControlEnabled(int controlId) const {
    const QWidget* control = Control(controlId);
    return control && control->isEnabled();
}

void QtWindow::FocusControl(int controlId) {
    QWidget* control = Control(controlId);
    // Every appended line asks for the pane; asking again is no news.
    if (control && focusWidget() != control) control->setFocus(Qt::OtherFocusReason);
}

int QtWindow::FocusedControl() const {
    // While the window is inactive the application has no focus widget; the window still knows which
    // of its children gets the focus back.
    const QWidget* focused = isActiveWindow() ? QApplication::focusWidget() : focusWidget();
    for (int id : {ID_OUTPUT_PANE, ID_BANNER, ID_PROCESS_BUTTON}) {
        const QWidget* control = Control(id);
        if (focused && (focused == control || control->isAncestorOf(focused))) return id;
    }
    return 0;
}

void QtWindow::SetPaneText(std::string_view text) {
    pendingText_.clear();
    pendingBreaks_ = 0;
    pane_->SetText(ToDisplayText(text));
    UpdatePaneSoon();
}

void QtWindow::AppendPaneText(std::string_view text) {
    const QString shown = ToDisplayText(text);
    pendingText_ += shown;
    pendingBreaks_ += shown.count(QLatin1Char('\n'));
    UpdatePaneSoon();
}

int QtWindow::PaneLineCount() const {
    return pane_->LineCount() + pendingBreaks_;
}

void QtWindow::ScrollPane(int lines) {
    if (lines <= 0) return;
    // Scrolling down by at least the whole text's line count always ends at the last line.
    scrollPending_ = true;
    UpdatePaneSoon();
}

void QtWindow::UpdatePaneSoon() {
    if (commandsRunning_ == 0 || !paneUpdated_.isValid() || paneUpdated_.hasExpired(PANE_UPDATE_MS))
        UpdatePane();
}

// Commands run on the one thread without returning to the event loop; painting the pane here lets a
// long command show its progress without letting any other input in.
void QtWindow::UpdatePane() {
    if (!pendingText_.isEmpty()) {
        pane_->Append(pendingText_);
        pendingText_.clear();
        pendingBreaks_ = 0;
    }
    if (scrollPending_) {
        scrollPending_ = false;
        pane_->ScrollToLastLine();
    }
    if (commandsRunning_ > 0 && isVisible()) {
        // Nothing else is painted until the command ends: a dialog the command closed, another
        // window moved away, would leave its picture over the menu bar, the banner and the button.
        repaint();
        // What was painted before the dialog went is still the picture to show; handing the whole
        // of it to the X server covers what the dialog left there.
        if (QBackingStore* store = backingStore(); store && windowHandle())
            store->flush(QRegion(rect()), windowHandle());
    } else if (pane_->isVisible()) {
        pane_->viewport()->repaint();
    }
    paneUpdated_.start();
}

}  // namespace cartovex
