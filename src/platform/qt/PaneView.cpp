#include "platform/qt/PaneView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>

namespace cartovex {

namespace {

// Room between the text and the pane's edges, as an edit control leaves it.
constexpr int MARGIN = 4;

}  // namespace

PaneView::PaneView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    UpdateScrollBars();
}

void PaneView::SetText(const QString& text) {
    text_ = text;
    starts_.assign(1, 0);
    widestColumns_ = 0;
    anchor_ = caret_ = Position{};
    NoteLines(0);
    UpdateScrollBars();
    viewport()->update();
}

void PaneView::Append(const QString& text) {
    const int from = text_.size();
    text_ += text;
    NoteLines(from);
    UpdateScrollBars();
    viewport()->update();
}

// Records the lines that begin in text_ from `from` on, and widens the widest one.
void PaneView::NoteLines(int from) {
    const QChar* characters = text_.constData();
    const int size = text_.size();
    for (int at = from; at < size; ++at) {
        if (characters[at] != QLatin1Char('\n')) continue;
        widestColumns_ = std::max(widestColumns_, at - starts_.back());
        starts_.push_back(at + 1);
    }
    widestColumns_ = std::max(widestColumns_, size - starts_.back());
}

int PaneView::LineLength(int index) const {
    const int end = index + 1 < LineCount() ? starts_[index + 1] - 1 : text_.size();
    return end - starts_[index];
}

QString PaneView::Line(int index) const {
    if (index < 0 || index >= LineCount()) return {};
    return text_.mid(starts_[index], LineLength(index));
}

double PaneView::ColumnWidth() const {
    return QFontMetricsF(font()).horizontalAdvance(QLatin1Char('M'));
}

int PaneView::LineHeight() const {
    return std::max(1, QFontMetrics(font()).lineSpacing());
}

int PaneView::LinesInView() const {
    return std::max(1, (viewport()->height() - 2 * MARGIN) / LineHeight());
}

int PaneView::ColumnsInView() const {
    return static_cast<int>((viewport()->width() - 2 * MARGIN) / ColumnWidth());
}

int PaneView::ContentWidth() const {
    return static_cast<int>(std::ceil(widestColumns_ * ColumnWidth())) + 2 * MARGIN;
}

int PaneView::WidthFor(int columns) const {
    return static_cast<int>(std::ceil(columns * ColumnWidth())) + 2 * MARGIN +
           verticalScrollBar()->sizeHint().width() + 2 * frameWidth();
}

int PaneView::FirstLineInView() const {
    return verticalScrollBar()->value();
}

void PaneView::UpdateScrollBars() {
    const int lines = LinesInView();
    verticalScrollBar()->setRange(0, std::max(0, LineCount() - lines));
    verticalScrollBar()->setPageStep(lines);
    const int width = viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, ContentWidth() - width));
    horizontalScrollBar()->setPageStep(width);
    horizontalScrollBar()->setSingleStep(static_cast<int>(std::ceil(ColumnWidth())));
}

void PaneView::ScrollToLastLine() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    horizontalScrollBar()->setValue(0);
    if (!HasSelection()) anchor_ = caret_ = Position{LineCount() - 1, 0};
}

// The vertical scroll bar counts lines, not pixels: everything in view changes.
void PaneView::scrollContentsBy(int, int) {
    viewport()->update();
}

void PaneView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void PaneView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateScrollBars();
}

void PaneView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QPalette& colours = palette();
    const double column = ColumnWidth();
    const int height = LineHeight();
    const int ascent = QFontMetrics(font()).ascent();
    const double left = MARGIN - horizontalScrollBar()->value();
    const auto [from, to] = std::minmax(anchor_, caret_);

    int y = MARGIN;
    for (int line = FirstLineInView(); line < LineCount() && y < viewport()->height(); ++line, y += height) {
        if (HasSelection() && line >= from.line && line <= to.line) {
            const int first = line == from.line ? from.column : 0;
            // A selection that goes on past a line's end takes its line break along.
            const int last = line == to.line ? to.column : LineLength(line) + 1;
            painter.fillRect(QRectF(left + first * column, y, (last - first) * column, height),
                             colours.color(QPalette::Highlight));
        }
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(QPointF(left, y + ascent), Line(line));
    }
    // Nothing here can be typed into, so a text cursor would promise what the pane can't do; the
    // focus is shown by the style's focus frame instead.
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = viewport()->rect().adjusted(1, 1, -1, -1);
        focus.backgroundColor = colours.color(QPalette::Base);
        focus.state |= QStyle::State_KeyboardFocusChange;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void PaneView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void PaneView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

PaneView::Position PaneView::PositionAt(const QPoint& point) const {
    const int line = std::clamp(FirstLineInView() + (point.y() - MARGIN) / LineHeight(), 0, LineCount() - 1);
    const double x = point.x() - MARGIN + horizontalScrollBar()->value();
    const int column = static_cast<int>(std::lround(x / ColumnWidth()));
    return Position{line, std::clamp(column, 0, LineLength(line))};
}

QPoint PaneView::PointOf(Position position) const {
    const double x = MARGIN + position.column * ColumnWidth() - horizontalScrollBar()->value();
    const int y = MARGIN + (position.line - FirstLineInView()) * LineHeight() + LineHeight() / 2;
    return QPoint(static_cast<int>(std::lround(x)), y);
}

void PaneView::Select(Position from, Position to) {
    anchor_ = from;
    caret_ = to;
    viewport()->update();
}

void PaneView::SelectAll() {
    Select(Position{}, Position{LineCount() - 1, LineLength(LineCount() - 1)});
}

QString PaneView::SelectedText() const {
    const auto [from, to] = std::minmax(anchor_, caret_);
    const int start = starts_[from.line] + from.column;
    const int end = starts_[to.line] + to.column;
    return text_.mid(start, end - start);
}

void PaneView::CopySelection() const {
    if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

void PaneView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    const Position at = PositionAt(event->pos());
    Select(event->modifiers() & Qt::ShiftModifier ? anchor_ : at, at);
}

void PaneView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    // Dragging past the top or the bottom scrolls on.
    if (event->pos().y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (event->pos().y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Select(anchor_, PositionAt(event->pos()));
}

void PaneView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && HasSelection() && QApplication::clipboard()->supportsSelection())
        QApplication::clipboard()->setText(SelectedText(), QClipboard::Selection);
}

void PaneView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int line = PositionAt(event->pos()).line;
    Select(Position{line, 0}, Position{line, LineLength(line)});
}

void PaneView::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) return CopySelection();
    if (event == QKeySequence::SelectAll) return SelectAll();
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    switch (event->key()) {
        case Qt::Key_Up:
            return vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
        case Qt::Key_Down:
            return vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        case Qt::Key_PageUp:
            return vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
        case Qt::Key_PageDown:
            return vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
        case Qt::Key_Left:
            return horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub);
        case Qt::Key_Right:
            return horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        case Qt::Key_Home:
            horizontal->setValue(0);
            if (event->modifiers() & Qt::ControlModifier) vertical->setValue(0);
            return;
        case Qt::Key_End:
            if (event->modifiers() & Qt::ControlModifier) vertical->setValue(vertical->maximum());
            return;
        default:
            event->ignore();
    }
}

void PaneView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("Copy"), this, &PaneView::CopySelection);
    copy->setEnabled(HasSelection());
    menu.addAction(QStringLiteral("Select All"), this, &PaneView::SelectAll);
    menu.exec(event->globalPos());
}

}  // namespace cartovex
