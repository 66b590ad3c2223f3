#include "ui/TextLinesView.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/Accessibility.h"
#include "ui/Controls.h"

namespace {

bool IsAscii(const std::string& Line)
{
    return std::all_of(Line.begin(), Line.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; });
}

QString Decoded(const std::string& Line)
{
    return QString::fromUtf8(Line.data(), static_cast<qsizetype>(Line.size()));
}

// Line's length in offsets (see TextLength).
int CharCount(const std::string& Line)
{
    return static_cast<int>(IsAscii(Line) ? Line.size() : Decoded(Line).size());
}

// The characters [From, To) of Line.
QString CharSlice(const std::string& Line, int From, int To)
{
    if (IsAscii(Line)) {
        return QString::fromLatin1(Line.data() + From, To - From);
    }
    return Decoded(Line).mid(From, To - From);
}

int ByteColumn(const std::string& Line, int CharColumn)
{
    return IsAscii(Line) ? CharColumn : static_cast<int>(Decoded(Line).left(CharColumn).toUtf8().size());
}

int CharColumn(const std::string& Line, int ByteColumn)
{
    return IsAscii(Line) ? ByteColumn : static_cast<int>(QString::fromUtf8(Line.data(), ByteColumn).size());
}

}  // namespace

TTextLinesView::TTextLinesView(QWidget* Parent) : QAbstractScrollArea(Parent)
{
    InstallAccessibleFactory();
    setFont(ReportFont());
    setFocusPolicy(Qt::StrongFocus);
    // Report lines are often wider than the view; the bar comes only when one is.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void TTextLinesView::SetPlaceholder(const QString& Text)
{
    Placeholder_ = Text;
    viewport()->update();
}

void TTextLinesView::SetLines(std::vector<std::string> Lines)
{
    const bool Tell = QAccessible::isActive();
    const int OldLength = Tell ? TextLength() : 0;
    Lines_ = std::move(Lines);
    LineStarts_.clear();
    LongestLine_ = 0;
    for (const std::string& Line : Lines_) {
        LongestLine_ = std::max(LongestLine_, static_cast<int>(Line.size()));
    }
    Anchor_ = Cursor_ = TPos{};
    UpdateScrollBars();
    ScrollToStart();
    viewport()->update();
    if (Tell) {
        // Assistive technology updates its copy of the text from this event, so it carries the
        // whole new text: joined once per SetLines, and only while one listens. The old text goes
        // by its length alone, as in Qt's own text widgets.
        QAccessibleTextUpdateEvent Event(this, 0, QString(OldLength, u' '), TextBetween(0, TextLength()));
        Event.setCursorPosition(0);
        QAccessible::updateAccessibility(&Event);
    }
}

const std::vector<int>& TTextLinesView::LineStarts() const
{
    if (LineStarts_.empty()) {
        LineStarts_.reserve(Lines_.size() + 2);
        LineStarts_.push_back(0);
        for (const std::string& Line : Lines_) {
            LineStarts_.push_back(LineStarts_.back() + CharCount(Line) + 1);
        }
        if (Lines_.empty()) {
            LineStarts_.push_back(1);
        }
    }
    return LineStarts_;
}

int TTextLinesView::TextLength() const
{
    return LineStarts().back() - 1;
}

TTextLinesView::TLineSpan TTextLinesView::LineAt(int Offset) const
{
    const std::vector<int>& Starts = LineStarts();
    Offset = std::clamp(Offset, 0, TextLength());
    const auto Line = static_cast<int>(std::upper_bound(Starts.begin(), Starts.end() - 1, Offset) - Starts.begin()) - 1;
    const auto L = static_cast<std::size_t>(Line);
    return {Line, Starts[L], Starts[L + 1] - Starts[L] - 1};
}

QString TTextLinesView::TextBetween(int Start, int End) const
{
    const std::vector<int>& Starts = LineStarts();
    Start = std::clamp(Start, 0, TextLength());
    End = std::clamp(End, Start, TextLength());
    QString Text;
    Text.reserve(End - Start);
    for (auto L = static_cast<std::size_t>(LineAt(Start).Line); Start < End; ++L) {
        const int LineEnd = Starts[L + 1] - 1;
        const int To = std::min(End, LineEnd);
        if (Start < To) {
            Text += CharSlice(Lines_[L], Start - Starts[L], To - Starts[L]);
        }
        if (End > LineEnd) {
            Text += u'\n';
        }
        Start = LineEnd + 1;
    }
    return Text;
}

TTextLinesView::TPos TTextLinesView::PosOfOffset(int Offset) const
{
    if (Lines_.empty()) {
        return {};
    }
    const TLineSpan Span = LineAt(Offset);
    const int Column = std::clamp(Offset, 0, TextLength()) - Span.Start;
    return {Span.Line, ByteColumn(Lines_[static_cast<std::size_t>(Span.Line)], Column)};
}

int TTextLinesView::OffsetOfPos(TPos Pos) const
{
    if (Lines_.empty()) {
        return 0;
    }
    const auto L = static_cast<std::size_t>(Pos.Line);
    return LineStarts()[L] + CharColumn(Lines_[L], Pos.Column);
}

int TTextLinesView::AnchorOffset() const
{
    return OffsetOfPos(Anchor_);
}

int TTextLinesView::CursorOffset() const
{
    return OffsetOfPos(Cursor_);
}

void TTextLinesView::SetSelection(int Anchor, int Cursor)
{
    Select(PosOfOffset(Anchor), PosOfOffset(Cursor));
    MakeVisible(Cursor_);
}

void TTextLinesView::ScrollToOffset(int Offset)
{
    MakeVisible(PosOfOffset(Offset));
}

void TTextLinesView::MakeVisible(TPos Pos)
{
    const int PageLines = std::max(1, viewport()->height() / LineHeight());
    QScrollBar& Vertical = *verticalScrollBar();
    if (Pos.Line < Vertical.value()) {
        Vertical.setValue(Pos.Line);
    } else if (Pos.Line >= Vertical.value() + PageLines) {
        Vertical.setValue(Pos.Line - PageLines + 1);
    }
    const double Char = CharWidth();
    const int Left = static_cast<int>(std::floor(Pos.Column * Char));
    const int Right = static_cast<int>(std::ceil((Pos.Column + 1) * Char)) + 4;
    QScrollBar& Horizontal = *horizontalScrollBar();
    if (Left < Horizontal.value()) {
        Horizontal.setValue(Left);
    } else if (Right > Horizontal.value() + viewport()->width()) {
        Horizontal.setValue(Right - viewport()->width());
    }
}

QRect TTextLinesView::OffsetRect(int Offset) const
{
    const TPos Pos = PosOfOffset(Offset);
    const double Char = CharWidth();
    return QRectF(2 - horizontalScrollBar()->value() + Pos.Column * Char,
                  (Pos.Line - verticalScrollBar()->value()) * LineHeight(), Char, LineHeight())
        .toAlignedRect();
}

int TTextLinesView::OffsetAt(const QPoint& ViewportPoint) const
{
    return OffsetOfPos(PosAt(ViewportPoint));
}

void TTextLinesView::Select(TPos Anchor, TPos Cursor)
{
    const TPos OldAnchor = Anchor_;
    const TPos OldCursor = Cursor_;
    Anchor_ = Anchor;
    Cursor_ = Cursor;
    viewport()->update();
    if (!QAccessible::isActive()) {
        return;
    }
    const auto Range = [](TPos A, TPos B) -> std::pair<TPos, TPos> {
        if (A == B) {
            return {};
        }
        return std::minmax(A, B);
    };
    if (Range(OldAnchor, OldCursor) != Range(Anchor, Cursor)) {
        const auto [From, To] = Range(Anchor, Cursor);
        QAccessibleTextSelectionEvent Event(this, OffsetOfPos(From), OffsetOfPos(To));
        Event.setCursorPosition(CursorOffset());
        QAccessible::updateAccessibility(&Event);
    }
    if (OldCursor != Cursor) {
        QAccessibleTextCursorEvent Event(this, CursorOffset());
        QAccessible::updateAccessibility(&Event);
    }
}

void TTextLinesView::ScrollToStart()
{
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

double TTextLinesView::CharWidth() const
{
    return QFontMetricsF(font()).horizontalAdvance(QLatin1Char('M'));
}

int TTextLinesView::LineHeight() const
{
    return QFontMetrics(font()).lineSpacing();
}

void TTextLinesView::UpdateScrollBars()
{
    const int PageLines = std::max(1, viewport()->height() / LineHeight());
    verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(Lines_.size()) - PageLines));
    verticalScrollBar()->setPageStep(PageLines);
    verticalScrollBar()->setSingleStep(1);
    const int Width = static_cast<int>(std::ceil(LongestLine_ * CharWidth())) + 4;
    horizontalScrollBar()->setRange(0, std::max(0, Width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(static_cast<int>(std::ceil(CharWidth())));
}

void TTextLinesView::resizeEvent(QResizeEvent* Event)
{
    QAbstractScrollArea::resizeEvent(Event);
    UpdateScrollBars();
}

void TTextLinesView::changeEvent(QEvent* Event)
{
    QAbstractScrollArea::changeEvent(Event);
    if (Event->type() == QEvent::FontChange) {
        UpdateScrollBars();
    }
}

void TTextLinesView::paintEvent(QPaintEvent*)
{
    QPainter Painter(viewport());
    Painter.setFont(font());
    const QFontMetrics Metrics(font());
    const int Height = LineHeight();
    const double Char = CharWidth();
    const int Left = 2 - horizontalScrollBar()->value();
    const int First = verticalScrollBar()->value();
    const int Count = viewport()->height() / Height + 2;
    const TPos From = std::min(Anchor_, Cursor_);
    const TPos To = std::max(Anchor_, Cursor_);
    const QPalette& Colours = palette();
    if (Lines_.empty() && !Placeholder_.isEmpty()) {
        Painter.setPen(Colours.color(QPalette::PlaceholderText));
        Painter.drawText(viewport()->rect(), Qt::AlignCenter, Placeholder_);
        return;
    }
    for (int I = 0; I < Count && First + I < static_cast<int>(Lines_.size()); ++I) {
        const int LineIndex = First + I;
        const std::string& Line = Lines_[static_cast<std::size_t>(LineIndex)];
        const int Top = I * Height;
        if (From != To && LineIndex >= From.Line && LineIndex <= To.Line) {
            const int Start = LineIndex == From.Line ? From.Column : 0;
            const int End = LineIndex == To.Line ? To.Column : static_cast<int>(Line.size()) + 1;
            Painter.fillRect(QRectF(Left + Start * Char, Top, (End - Start) * Char, Height), Colours.highlight());
        }
        Painter.setPen(Colours.color(QPalette::Text));
        Painter.drawText(QPointF(Left, Top + Metrics.ascent()), QString::fromUtf8(Line.data(), static_cast<qsizetype>(Line.size())));
    }
}

TTextLinesView::TPos TTextLinesView::PosAt(const QPoint& Point) const
{
    TPos Pos;
    Pos.Line = std::clamp(verticalScrollBar()->value() + Point.y() / LineHeight(), 0,
                          std::max(0, static_cast<int>(Lines_.size()) - 1));
    const double X = Point.x() - 2 + horizontalScrollBar()->value();
    const int Length = Lines_.empty() ? 0 : static_cast<int>(Lines_[static_cast<std::size_t>(Pos.Line)].size());
    Pos.Column = std::clamp(static_cast<int>(std::lround(X / CharWidth())), 0, Length);
    return Pos;
}

void TTextLinesView::mousePressEvent(QMouseEvent* Event)
{
    if (Event->button() == Qt::LeftButton) {
        const TPos At = PosAt(Event->position().toPoint());
        Select(Event->modifiers() & Qt::ShiftModifier ? Anchor_ : At, At);
    }
}

void TTextLinesView::mouseMoveEvent(QMouseEvent* Event)
{
    if (Event->buttons() & Qt::LeftButton) {
        Select(Anchor_, PosAt(Event->position().toPoint()));
    }
}

void TTextLinesView::SelectAll()
{
    Select(TPos{}, Lines_.empty() ? TPos{} : TPos{static_cast<int>(Lines_.size()) - 1, static_cast<int>(Lines_.back().size())});
}

QString TTextLinesView::SelectedText() const
{
    const TPos From = std::min(Anchor_, Cursor_);
    const TPos To = std::max(Anchor_, Cursor_);
    std::string Text;
    for (int L = From.Line; From != To && L <= To.Line; ++L) {
        const std::string& Line = Lines_[static_cast<std::size_t>(L)];
        const std::size_t Start = L == From.Line ? static_cast<std::size_t>(From.Column) : 0;
        const std::size_t End = L == To.Line ? static_cast<std::size_t>(To.Column) : Line.size();
        Text += Line.substr(Start, End - Start);
        if (L != To.Line) {
            Text += '\n';
        }
    }
    return QString::fromStdString(Text);
}

void TTextLinesView::keyPressEvent(QKeyEvent* Event)
{
    if (Event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(SelectedText());
    } else if (Event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (Event->matches(QKeySequence::MoveToStartOfDocument)) {
        verticalScrollBar()->setValue(0);
    } else if (Event->matches(QKeySequence::MoveToEndOfDocument)) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    } else if (Event->key() == Qt::Key_Home) {
        horizontalScrollBar()->setValue(0);
    } else if (Event->key() == Qt::Key_End) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
    } else {
        // Arrows and page keys scroll.
        QAbstractScrollArea::keyPressEvent(Event);
    }
}
