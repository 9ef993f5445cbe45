// The output pane's control on Qt: read-only lines of text, never wrapped, in the window's
// fixed-pitch font. It keeps the text as one string with the start of every line and paints only
// the lines in view, so appending a line costs little more than copying it; a text document
// spends microseconds on every line it stores, which a run of ten thousand lines would feel.
//
// The mouse selects (a double click takes a whole line), Ctrl+C copies, Ctrl+A selects everything,
// the arrow and page keys scroll. Tab leaves it for the next control. It draws no text cursor: with
// the focus it shows the style's focus frame.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <vector>

namespace cartovex {

class PaneView : public QAbstractScrollArea {
public:
    /// A place in the text: a line and a column (a character index in that line).
    struct Position {
        int line = 0;
        int column = 0;
        friend bool operator==(const Position&, const Position&) = default;
        friend auto operator<=>(const Position&, const Position&) = default;
    };

    explicit PaneView(QWidget* parent = nullptr);

    /// Replaces the text; '\n' separates lines. An empty text is one empty line.
    void SetText(const QString& text);
    /// Adds text at the end of the last line; each '\n' starts a new line.
    void Append(const QString& text);

    int LineCount() const { return static_cast<int>(starts_.size()); }
    QString Line(int index) const;
    /// The whole text, lines joined by '\n'.
    QString Text() const { return text_; }

    /// The last line in view, from its start.
    void ScrollToLastLine();
    int FirstLineInView() const;
    /// Lines and columns the viewport shows whole.
    int LinesInView() const;
    int ColumnsInView() const;
    /// The widest line's width in pixels, margins included.
    int ContentWidth() const;
    /// The control's width that shows `columns` whole beside its vertical scroll bar.
    int WidthFor(int columns) const;

    /// The position nearest to a point of the viewport, and the point where a position's
    /// character starts, halfway down its line.
    Position PositionAt(const QPoint& point) const;
    QPoint PointOf(Position position) const;

    void Select(Position from, Position to);
    void SelectAll();
    QString SelectedText() const;
    void CopySelection() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void NoteLines(int from);
    void UpdateScrollBars();
    int LineLength(int index) const;
    double ColumnWidth() const;
    int LineHeight() const;
    bool HasSelection() const { return anchor_ != caret_; }

    QString text_;
    /// Where each line starts in text_; there is always at least one line.
    std::vector<int> starts_{0};
    int widestColumns_ = 0;
    Position anchor_, caret_;
};

}  // namespace cartovex
