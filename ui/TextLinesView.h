#pragma once
#include <string>
#include <vector>

#include <QAbstractScrollArea>

// A read-only view of many lines of fixed-pitch text, without word wrap. It keeps the lines as
// given and lays out nothing in advance: a paint draws only the lines in view, so a report of
// tens of megabytes shows as quickly as a short one. The mouse selects text (Ctrl+A all of it),
// Ctrl+C copies the selection; the keys scroll. Assistive technology reads the text and the
// selection through the offsets below (see ui/Accessibility.h).
class TTextLinesView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TTextLinesView(QWidget* Parent = nullptr);

    // Replaces the text, clears the selection and scrolls to the start.
    void SetLines(std::vector<std::string> Lines);
    // What an empty view shows, greyed and centred (not part of the text).
    void SetPlaceholder(const QString& Text);
    const std::vector<std::string>& Lines() const { return Lines_; }
    // Scrolls to the first line and column.
    void ScrollToStart();
    // The selected text, lines joined by "\n".
    QString SelectedText() const;
    void SelectAll();

    // The text as assistive technology reads it: the lines joined by "\n", with offsets counted in
    // QString characters of each line decoded from UTF-8 (in the ASCII of the reports, bytes), one
    // more for each "\n". An index of line offsets is built on first use after SetLines, in one
    // pass; a call then costs a binary search and the lines it touches, so a long history is never
    // joined into one string. Offsets given are clamped to [0, TextLength()].
    int TextLength() const;
    QString TextBetween(int Start, int End) const;
    // The line holding Offset: a "\n" belongs to the line it ends; an empty view has one empty line.
    struct TLineSpan {
        int Line = 0;
        int Start = 0;   // offset of its first character
        int Length = 0;  // without its "\n"
    };
    TLineSpan LineAt(int Offset) const;
    // The selection runs from the anchor, where it began, to the cursor; equal when none.
    int AnchorOffset() const;
    int CursorOffset() const;
    // Selects from Anchor to Cursor and scrolls the cursor into view.
    void SetSelection(int Anchor, int Cursor);
    void ScrollToOffset(int Offset);
    // The character cell of Offset in viewport coordinates (beyond the view when scrolled away),
    // and the offset of the cell nearest Point.
    QRect OffsetRect(int Offset) const;
    int OffsetAt(const QPoint& ViewportPoint) const;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    struct TPos {
        int Line = 0;
        int Column = 0;  // in bytes
        auto operator<=>(const TPos&) const = default;
    };
    TPos PosAt(const QPoint& ViewportPoint) const;
    // Index i: offset of line i's first character; one more entry, one past the last line's
    // (absent) "\n". Empty until LineStarts() builds it.
    const std::vector<int>& LineStarts() const;
    TPos PosOfOffset(int Offset) const;
    int OffsetOfPos(TPos Pos) const;
    void MakeVisible(TPos Pos);
    // Moves the selection, repaints it and tells a listening assistive technology.
    void Select(TPos Anchor, TPos Cursor);
    void UpdateScrollBars();
    double CharWidth() const;
    int LineHeight() const;

    std::vector<std::string> Lines_;
    QString Placeholder_;
    mutable std::vector<int> LineStarts_;
    int LongestLine_ = 0;
    TPos Anchor_;
    TPos Cursor_;
};
