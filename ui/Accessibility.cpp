#include "ui/Accessibility.h"

#include <algorithm>

#include <QAccessibleWidget>
#include <QTextBoundaryFinder>

#include "ui/DiagramView.h"
#include "ui/TextLinesView.h"

namespace {

// [Start, End) of the text; Start = End = -1 where there is nothing.
struct TRange {
    int Start = -1;
    int End = -1;
};

// The piece of View's text at Offset that Type delimits: a line with its "\n"; the whole text for
// NoBoundary; otherwise, within a line, a character, a word (or the blanks between two words) or
// a sentence as QTextBoundaryFinder cuts them, a line's "\n" being a piece of its own and the
// end of the text an empty one. Paragraphs are lines: a report has no others.
TRange PieceAt(const TTextLinesView& View, int Offset, QAccessible::TextBoundaryType Type)
{
    const int Length = View.TextLength();
    const TTextLinesView::TLineSpan Line = View.LineAt(Offset);
    switch (Type) {
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
        return {Line.Start, std::min(Length, Line.Start + Line.Length + 1)};
    case QAccessible::NoBoundary:
        return {0, Length};
    case QAccessible::CharBoundary:
    case QAccessible::WordBoundary:
    case QAccessible::SentenceBoundary:
        break;
    }
    const int Column = Offset - Line.Start;
    if (Column >= Line.Length) {
        return {Offset, std::min(Offset + 1, Length)};
    }
    const auto Kind = Type == QAccessible::CharBoundary   ? QTextBoundaryFinder::Grapheme
                      : Type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                          : QTextBoundaryFinder::Sentence;
    QTextBoundaryFinder Finder(Kind, View.TextBetween(Line.Start, Line.Start + Line.Length));
    Finder.setPosition(Column);
    const auto From = Finder.isAtBoundary() ? Column : static_cast<int>(Finder.toPreviousBoundary());
    Finder.setPosition(Column);
    const auto To = static_cast<int>(Finder.toNextBoundary());
    return {Line.Start + From, Line.Start + To};
}

class TTextLinesAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TTextLinesAccessible(TTextLinesView* View) : QAccessibleWidget(View, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType Type) override
    {
        if (Type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(Type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State State = QAccessibleWidget::state();
        State.readOnly = true;
        State.multiLine = true;
        State.selectableText = true;
        return State;
    }

    using QAccessibleWidget::text;
    QString text(int Start, int End) const override { return View().TextBetween(Start, End); }
    int characterCount() const override { return View().TextLength(); }

    QString textAtOffset(int Offset, QAccessible::TextBoundaryType Type, int* Start, int* End) const override
    {
        return Piece(Resolve(Offset) ? PieceAt(View(), Offset, Type) : TRange{}, Start, End);
    }
    QString textBeforeOffset(int Offset, QAccessible::TextBoundaryType Type, int* Start, int* End) const override
    {
        TRange Before;
        if (Resolve(Offset)) {
            const TRange At = PieceAt(View(), Offset, Type);
            if (At.Start > 0) {
                Before = PieceAt(View(), At.Start - 1, Type);
            }
        }
        return Piece(Before, Start, End);
    }
    QString textAfterOffset(int Offset, QAccessible::TextBoundaryType Type, int* Start, int* End) const override
    {
        TRange After;
        if (Resolve(Offset)) {
            const TRange At = PieceAt(View(), Offset, Type);
            if (At.Start < At.End && At.End < View().TextLength()) {
                After = PieceAt(View(), At.End, Type);
            }
        }
        return Piece(After, Start, End);
    }

    int cursorPosition() const override { return View().CursorOffset(); }
    void setCursorPosition(int Position) override { View().SetSelection(Position, Position); }

    int selectionCount() const override { return View().AnchorOffset() != View().CursorOffset() ? 1 : 0; }
    void selection(int Index, int* Start, int* End) const override
    {
        *Start = *End = 0;
        if (Index == 0 && selectionCount() == 1) {
            const int Anchor = View().AnchorOffset();
            const int Cursor = View().CursorOffset();
            *Start = std::min(Anchor, Cursor);
            *End = std::max(Anchor, Cursor);
        }
    }
    // One selection at most: adding one replaces it.
    void addSelection(int Start, int End) override { View().SetSelection(Start, End); }
    void setSelection(int Index, int Start, int End) override
    {
        if (Index == 0) {
            View().SetSelection(Start, End);
        }
    }
    void removeSelection(int Index) override
    {
        if (Index == 0) {
            setCursorPosition(View().CursorOffset());
        }
    }

    QRect characterRect(int Offset) const override
    {
        const QRect Cell = View().OffsetRect(Offset);
        return {View().viewport()->mapToGlobal(Cell.topLeft()), Cell.size()};
    }
    int offsetAtPoint(const QPoint& Point) const override
    {
        const QPoint InView = View().viewport()->mapFromGlobal(Point);
        return View().viewport()->rect().contains(InView) ? View().OffsetAt(InView) : -1;
    }
    void scrollToSubstring(int Start, int End) override
    {
        View().ScrollToOffset(End);
        View().ScrollToOffset(Start);
    }
    QString attributes(int Offset, int* Start, int* End) const override
    {
        *Start = *End = Offset;
        return {};
    }

private:
    TTextLinesView& View() const { return *static_cast<TTextLinesView*>(widget()); }
    // -1 stands for the end of the text; false when Offset lies outside the text.
    bool Resolve(int& Offset) const
    {
        if (Offset == -1) {
            Offset = View().TextLength();
        }
        return Offset >= 0 && Offset <= View().TextLength();
    }
    QString Piece(TRange Range, int* Start, int* End) const
    {
        *Start = Range.Start;
        *End = Range.End;
        return Range.Start < Range.End ? View().TextBetween(Range.Start, Range.End) : QString();
    }
};

class TStageBoxAccessible : public QAccessibleWidget {
public:
    explicit TStageBoxAccessible(TStageBox* Box) : QAccessibleWidget(Box, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State State = QAccessibleWidget::state();
        State.selectable = true;
        State.selected = Box().IsSelected();
        return State;
    }
    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }
    void doAction(const QString& Name) override
    {
        if (Name == pressAction()) {
            if (Box().isEnabled()) {
                Box().Click();
            }
            return;
        }
        QAccessibleWidget::doAction(Name);
    }
    QStringList keyBindingsForAction(const QString& Name) const override
    {
        return Name == pressAction() ? QStringList("Space") : QAccessibleWidget::keyBindingsForAction(Name);
    }

private:
    TStageBox& Box() const { return *static_cast<TStageBox*>(widget()); }
};

QAccessibleInterface* NewAccessible(const QString&, QObject* Object)
{
    if (auto* View = qobject_cast<TTextLinesView*>(Object)) {
        return new TTextLinesAccessible(View);
    }
    if (auto* Box = qobject_cast<TStageBox*>(Object)) {
        return new TStageBoxAccessible(Box);
    }
    return nullptr;
}

}  // namespace

void InstallAccessibleFactory()
{
    static const bool Installed = (QAccessible::installFactory(&NewAccessible), true);
    (void)Installed;
}
