#include "platform/qt/QtWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextCursor>
#include <algorithm>
#include <climits>
#include <vector>

#include "app/MenuModel.h"

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

QString MenuLabel(std::string_view label) {
    QString text = QString::fromUtf8(label.data(), int(label.size()));
    // Our labels carry no mnemonics; a literal '&' must stay one.
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text;
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

}  // namespace

DialogBaseUnits DialogBaseUnits::ForFont(const QFont& font) {
    QFontMetrics metrics(font);
    const int width =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogBaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

// Rounded to the nearest pixel, as MulDiv does.
int DialogBaseUnits::X(int dlu) const {
    return (dlu * averageCharWidth * 2 + 4) / 8;
}
int DialogBaseUnits::Y(int dlu) const {
    return (dlu * charHeight * 2 + 8) / 16;
}

QString ToDisplayText(std::string_view text) {
    const int size = int(std::min<size_t>(text.size(), INT_MAX));
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
    const QFont font = WindowFont();
    units_ = DialogBaseUnits::ForFont(font);

    auto* client = new QWidget(this);
    client->setFont(font);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, Qt::black);
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    setCentralWidget(client);
    BuildControls();

    // The window is sized for its client area before the bar is attached; the bar then takes its
    // height from the client area, not from the screen.
    const QSize outer(units_.X(CLIENT_WIDTH_DLU), units_.Y(CLIENT_HEIGHT_DLU));
    BuildMenuBar();
    setFixedSize(outer);
    BuildAccelerators();

    QIcon icon;
    icon.addPixmap(QPixmap(cartovex_32_xpm));
    icon.addPixmap(QPixmap(cartovex_16_xpm));
    setWindowIcon(icon);

    // The start-up text is appended before the window is first shown; the pane must already wrap at
    // its real width so that its line counts hold. A hidden widget gets its resize events only when
    // shown: the first places the pane's viewport, the second lays the text out at its width.
    QResizeEvent paneResize(pane_->size(), QSize());
    QCoreApplication::sendEvent(pane_, &paneResize);
    QResizeEvent viewportResize(pane_->viewport()->size(), QSize());
    QCoreApplication::sendEvent(pane_->viewport(), &viewportResize);
    RecountPaneLines();
}

QtWindow::~QtWindow() = default;

void QtWindow::BuildControls() {
    QWidget* client = centralWidget();
    auto place = [this](QWidget* widget, const ControlLayout& layout) {
        widget->setGeometry(units_.X(layout.x), units_.Y(layout.y), units_.X(layout.width),
                            units_.Y(layout.height));
    };

    pane_ = new QPlainTextEdit(client);
    pane_->setReadOnly(true);
    pane_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    pane_->setFrameShape(QFrame::NoFrame);
    pane_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    pane_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    pane_->setUndoRedoEnabled(false);
    pane_->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    SetWhiteOnBlack(pane_);
    pane_->verticalScrollBar()->setPalette(QApplication::palette());  // the system's scroll bar colours
    place(pane_, PANE_LAYOUT);

    banner_ = new QLabel(client);
    banner_->setTextFormat(Qt::PlainText);  // the art holds '<' and '>'
    banner_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    banner_->setText(ToDisplayText(BannerText()));
    SetWhiteOnBlack(banner_);
    place(banner_, BANNER_LAYOUT);

    processButton_ = new QPushButton(client);
    processButton_->setText(ToDisplayText(ProcessCaption()));
    processButton_->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    // A style sheet, because most styles paint push buttons in their own colours whatever the palette.
    processButton_->setStyleSheet(
        QStringLiteral("QPushButton { color: white; background-color: black; border: 2px outset #c0c0c0; }"
                       "QPushButton:pressed { border-style: inset; }"
                       "QPushButton:focus { border-color: white; }"
                       "QPushButton:disabled { color: gray; border-color: gray; }"));
    place(processButton_, PROCESS_LAYOUT);
    processButton_->setEnabled(false);
    connect(processButton_, &QPushButton::clicked, this, [this] { Dispatch(CMD_PROCESS, 0); });
}

void QtWindow::BuildMenuBar() {
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);  // a global menu would give the client area back its height
    std::vector<QMenu*> open;      // open[d] receives the items of depth d + 1
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
}

void QtWindow::SetTitle(const std::string& title) {
    setWindowTitle(QString::fromUtf8(title.c_str()));
}

void QtWindow::Dispatch(int commandId, int notification) {
    if (handler_.command) handler_.command(commandId, notification);
}

int QtWindow::Run() {
    ended_ = false;
    result_ = 0;
    if (handler_.initialise) handler_.initialise();
    if (ended_) return result_;

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    // Showing relays the pane out at its width; keep the last start-up line in view.
    if (!pane_->document()->isEmpty()) ScrollPane(1);

    QEventLoop loop;
    loop_ = &loop;
    if (!ended_) loop.exec();
    loop_ = nullptr;
    return result_;
}

bool QtWindow::event(QEvent* event) {
    if ((event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) &&
        handler_.activate)
        handler_.activate(event->type() == QEvent::WindowActivate);
    return QMainWindow::event(event);
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
    if (QAction* action = MenuAction(commandId)) ApplyMenuState(action, state);
}

void QtWindow::EnableControl(int controlId, bool enabled) {
    if (QWidget* control = Control(controlId)) control->setEnabled(enabled);
}

bool QtWindow::IsControlEnabled(int controlId) const {
    const QWidget* control = Control(controlId);
    return control && control->isEnabled();
}

void QtWindow::FocusControl(int controlId) {
    if (QWidget* control = Control(controlId)) control->setFocus(Qt::OtherFocusReason);
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
    pane_->setPlainText(ToDisplayText(text));
    RecountPaneLines();
    RepaintPane();
}

void QtWindow::AppendPaneText(std::string_view text) {
    QTextDocument* document = pane_->document();
    const int firstChanged = document->blockCount() - 1;
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(ToDisplayText(text));

    if (paneLayoutWidth_ != LayoutWidth()) {
        RecountPaneLines();
    } else {
        const QTextBlock last = document->lastBlock();
        for (QTextBlock block = document->findBlockByNumber(firstChanged); block.isValid() && block != last;
             block = block.next())
            linesBeforeLastBlock_ += BlockLines(block);
    }
    RepaintPane();
}

int QtWindow::BlockLines(const QTextBlock& block) const {
    // The plain-text layout lays blocks out as they come into view; asking for a block's rectangle
    // lays it out now, at the pane's width.
    if (block.layout()->lineCount() == 0) pane_->document()->documentLayout()->blockBoundingRect(block);
    return std::max(1, block.layout()->lineCount());
}

void QtWindow::RecountPaneLines() {
    QTextDocument* document = pane_->document();
    linesBeforeLastBlock_ = 0;
    const QTextBlock last = document->lastBlock();
    for (QTextBlock block = document->firstBlock(); block.isValid() && block != last; block = block.next())
        linesBeforeLastBlock_ += BlockLines(block);
    paneLayoutWidth_ = LayoutWidth();
}

// The pane lays its text out at its viewport's width.
int QtWindow::LayoutWidth() const {
    return pane_->viewport()->width();
}

int QtWindow::PaneLineCount() const {
    if (paneLayoutWidth_ != LayoutWidth()) const_cast<QtWindow*>(this)->RecountPaneLines();
    return linesBeforeLastBlock_ + BlockLines(pane_->document()->lastBlock());
}

void QtWindow::ScrollPane(int lines) {
    if (lines <= 0) return;
    // Scrolling down by at least the whole text's line count always ends at the last line.
    QTextCursor end = pane_->textCursor();
    end.movePosition(QTextCursor::End);
    pane_->setTextCursor(end);
    pane_->ensureCursorVisible();
    pane_->verticalScrollBar()->setValue(pane_->verticalScrollBar()->maximum());
    RepaintPane();
}

// Commands run on the one thread without returning to the event loop; painting the pane here lets a
// long command show its progress without letting any other input in.
void QtWindow::RepaintPane() {
    if (pane_->isVisible()) pane_->repaint();
}

}  // namespace cartovex
