#include "ui/TextLinesView.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/Controls.h"

TTextLinesView::TTextLinesView(QWidget* Parent) : QAbstractScrollArea(Parent)
{
    setFont(ReportFont());
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void TTextLinesView::SetLines(std::vector<std::string> Lines)
{
    Lines_ = std::move(Lines);
    LongestLine_ = 0;
    for (const std::string& Line : Lines_) {
        LongestLine_ = std::max(LongestLine_, static_cast<int>(Line.size()));
    }
    Anchor_ = Cursor_ = TPos{};
    UpdateScrollBars();
    ScrollToStart();
    viewport()->update();
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
        Cursor_ = PosAt(Event->position().toPoint());
        if (!(Event->modifiers() & Qt::ShiftModifier)) {
            Anchor_ = Cursor_;
        }
        viewport()->update();
    }
}

void TTextLinesView::mouseMoveEvent(QMouseEvent* Event)
{
    if (Event->buttons() & Qt::LeftButton) {
        Cursor_ = PosAt(Event->position().toPoint());
        viewport()->update();
    }
}

void TTextLinesView::SelectAll()
{
    Anchor_ = TPos{};
    Cursor_ = Lines_.empty() ? TPos{} : TPos{static_cast<int>(Lines_.size()) - 1, static_cast<int>(Lines_.back().size())};
    viewport()->update();
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
