#include "platform/qt/StaleInput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>

namespace cartovex {

namespace {

class InputSink : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return IsUserInput(*event); }
};

}  // namespace

bool IsUserInput(const QEvent& event) {
    switch (event.type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        case QEvent::Close:
            // The close box, through the window manager; a close the program makes is no input.
            return event.spontaneous();
        default:
            return false;
    }
}

void DropQueuedInput() {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    InputSink sink;
    application->installEventFilter(&sink);
    // A second pass takes what the window system handed over while the first one ran.
    for (int pass = 0; pass < 2; ++pass) QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
    application->removeEventFilter(&sink);
}

}  // namespace cartovex
