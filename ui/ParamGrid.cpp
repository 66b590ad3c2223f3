#include "ui/ParamGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWindow>

#include "engine/ParamCatalogue.h"
#include "engine/ParamEntry.h"
#include "engine/Stage.h"
#include "platform/Dialogs.h"
#include "ui/Controls.h"

namespace {

constexpr int ValueColumn = 1;

bool IsPolicyRow(int Row)
{
    return ParamTypes[static_cast<std::size_t>(Row)] == TListParamType::Policy;
}

// The text an editor of the grid holds.
QString EditorText(const QWidget* Editor)
{
    if (const auto* Combo = qobject_cast<const QComboBox*>(Editor)) {
        return Combo->currentText();
    }
    if (const auto* Line = qobject_cast<const QLineEdit*>(Editor)) {
        return Line->text();
    }
    return {};
}

// True when Editor's entry for Row is valid; otherwise Message says why.
bool EntryValid(int Row, const QWidget* Editor, char DecimalSep, std::string& Message)
{
    const std::optional<std::string> Refusal = CheckParamEntry(Row, EditorText(Editor).toStdString(), DecimalSep);
    Message = Refusal.value_or("");
    return !Refusal;
}

// The widget (or nullptr) a QObject belongs to: itself, or the nearest widget among its parents
// (a QShortcut's owner).
QWidget* OwningWidget(QObject* Object)
{
    while (Object && !Object->isWidgetType()) {
        Object = Object->parent();
    }
    return static_cast<QWidget*>(Object);
}

}  // namespace

TParamGrid::TParamGrid(Dialogs& Messages, char DecimalSep, QWidget* Parent)
    : QTableWidget(NumParams, 2, Parent), Messages_(Messages), DecimalSep_(DecimalSep)
{
    setObjectName("ParamGrid");
    setAccessibleName("Parameters");
    setHorizontalHeaderLabels({"Parameter", "Value"});
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(ValueColumn, QHeaderView::Stretch);
    horizontalHeader()->setSectionsClickable(false);
    setColumnWidth(0, 139);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setItemDelegateForColumn(ValueColumn, new TParamDelegate(*this));
    for (int Row = 0; Row < NumParams; ++Row) {
        auto* Name = new QTableWidgetItem(QString::fromStdString(ParamLongNames[static_cast<std::size_t>(Row)]));
        Name->setFlags(Qt::ItemIsEnabled);
        setItem(Row, 0, Name);
        auto* Value = new QTableWidgetItem;
        Value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        setItem(Row, ValueColumn, Value);
    }
    ShowDefaults();
    QStringList Names;
    for (const std::string& Name : ParamLongNames) {
        Names << QString::fromStdString(Name);
    }
    FitFontToColumn(*this, Names, 139);
    setCurrentCell(0, ValueColumn);
    qApp->installEventFilter(this);
}

TParamGrid::~TParamGrid()
{
    qApp->removeEventFilter(this);
    // An open editor is a grandchild, destroyed after this part of the grid: close it while its
    // delegate may still ask the grid.
    if (QWidget* Editor = indexWidget(currentIndex())) {
        closeEditor(Editor, QAbstractItemDelegate::NoHint);
    }
}

void TParamGrid::ShowDefaults()
{
    for (int Row = 0; Row < NumParams; ++Row) {
        item(Row, ValueColumn)->setText(QString::fromStdString(ParamDefaultText(Row)));
    }
}

void TParamGrid::ShowStage(const TStage& S)
{
    for (int Row = 0; Row < NumParams; ++Row) {
        item(Row, ValueColumn)->setText(QString::fromStdString(ParamShownText(S, Row, DecimalSep_)));
    }
}

bool TParamGrid::CheckEditor(int Row, QWidget* Editor)
{
    std::string Message;
    if (EntryValid(Row, Editor, DecimalSep_, Message)) {
        return true;
    }
    Messages_.ShowError(Message);
    Editor->setFocus();
    return false;
}

bool TParamGrid::FinishEdit()
{
    if (!IsEditing()) {
        return true;
    }
    QWidget* Editor = indexWidget(currentIndex());
    if (!Editor) {
        return true;
    }
    if (!CheckEditor(currentRow(), Editor)) {
        return false;
    }
    commitData(Editor);
    closeEditor(Editor, QAbstractItemDelegate::NoHint);
    return true;
}

// While an edit is open, every press of a mouse button in this window outside the editor (and
// the grid's scroll bars), and every shortcut of this window, first ends the edit; an invalid
// entry swallows the press or shortcut. The window system's presses are caught as they reach the
// window, before they move the focus; presses sent to a widget directly, at the widget.
bool TParamGrid::eventFilter(QObject* Watched, QEvent* Event)
{
    const QEvent::Type Type = Event->type();
    if (!IsEditing() || (Type != QEvent::MouseButtonPress && Type != QEvent::MouseButtonDblClick && Type != QEvent::Shortcut)) {
        return QTableWidget::eventFilter(Watched, Event);
    }
    QWidget* Window = window();
    QWidget* Target = nullptr;
    if (Type == QEvent::Shortcut || Watched->isWidgetType()) {
        Target = OwningWidget(Watched);
    } else if (Watched == Window->windowHandle()) {
        Target = Window->childAt(static_cast<QMouseEvent*>(Event)->position().toPoint());
        Target = Target ? Target : Window;
    }
    if (!Target || Target->window() != Window) {
        return false;
    }
    QWidget* Editor = indexWidget(currentIndex());
    const bool InEditor = Editor && (Target == Editor || Editor->isAncestorOf(Target));
    const bool OnScrollBars = isAncestorOf(Target) && Target != viewport() && !viewport()->isAncestorOf(Target);
    if (InEditor || OnScrollBars) {
        return false;
    }
    return !FinishEdit();
}

QWidget* TParamDelegate::createEditor(QWidget* Parent, const QStyleOptionViewItem& Option, const QModelIndex& Index) const
{
    const QString Name = QString::fromStdString(ParamLongNames[static_cast<std::size_t>(Index.row())]);
    if (!IsPolicyRow(Index.row())) {
        auto* Line = qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(Parent, Option, Index));
        if (Line) {
            Line->setAccessibleName(Name);
        }
        return Line;
    }
    auto* Combo = new QComboBox(Parent);
    Combo->setAccessibleName(Name);
    for (const std::string& Name : PolicyPickList) {
        Combo->addItem(QString::fromStdString(Name));
    }
    // A choice from the list is the entry: hand it on at once.
    connect(Combo, &QComboBox::activated, this, [this, Combo] {
        emit const_cast<TParamDelegate*>(this)->commitData(Combo);
        emit const_cast<TParamDelegate*>(this)->closeEditor(Combo);
    });
    return Combo;
}

void TParamDelegate::setEditorData(QWidget* Editor, const QModelIndex& Index) const
{
    if (auto* Combo = qobject_cast<QComboBox*>(Editor)) {
        Combo->setCurrentIndex(Combo->findText(Index.data().toString()));
        return;
    }
    QStyledItemDelegate::setEditorData(Editor, Index);
}

void TParamDelegate::setModelData(QWidget* Editor, QAbstractItemModel*, const QModelIndex& Index) const
{
    double Value = 0;
    if (ParamEntryValue(Index.row(), EditorText(Editor).toStdString(), Grid_.DecimalSep(), Value)) {
        emit Grid_.ParamEntered(Index.row(), Value);
    }
}

bool TParamDelegate::eventFilter(QObject* Object, QEvent* Event)
{
    auto* Editor = qobject_cast<QWidget*>(Object);
    const int Row = Grid_.currentRow();
    if (Editor && Event->type() == QEvent::KeyPress) {
        const int Key = static_cast<QKeyEvent*>(Event)->key();
        // The keys that close the editor or, passed on by it, move to another cell.
        const bool Leaves = Key == Qt::Key_Tab || Key == Qt::Key_Backtab || Key == Qt::Key_Return || Key == Qt::Key_Enter ||
                            Key == Qt::Key_Up || Key == Qt::Key_Down || Key == Qt::Key_PageUp || Key == Qt::Key_PageDown;
        if (Leaves && !Grid_.CheckEditor(Row, Editor)) {
            return true;
        }
    } else if (Editor && Event->type() == QEvent::FocusOut) {
        // Losing the focus to another window, or a move the window did not catch: an invalid
        // entry stays in its editor, unsaid until the user tries to leave it.
        std::string Message;
        if (!EntryValid(Row, Editor, Grid_.DecimalSep(), Message)) {
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(Object, Event);
}
