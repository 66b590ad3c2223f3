#pragma once
#include <QStyledItemDelegate>
#include <QTableWidget>

class Dialogs;
class TStage;

// The parameter grid: 45 rows of long names and value texts. Texts are shown and
// checked only by the core's parameter entry functions. An entry is checked when the user tries
// to leave its cell; an invalid one is never handed on, and keeps the user in the cell (Enter,
// Tab, a click anywhere else in the window, a shortcut) with its message repeated on every try.
// A valid one is handed on by ParamEntered, and the window shows the stage back.
class TParamGrid : public QTableWidget {
    Q_OBJECT
public:
    TParamGrid(Dialogs& Messages, char DecimalSep, QWidget* Parent = nullptr);
    ~TParamGrid() override;

    // Every value cell with the default text of its type.
    void ShowDefaults();
    // Every value cell from S, in the program's notation.
    void ShowStage(const TStage& S);
    // Ends an open edit: true when there is none or its entry was valid and handed on; false
    // (message shown, the edit goes on) when the entry is invalid.
    bool FinishEdit();
    bool IsEditing() const { return state() == EditingState; }
    char DecimalSep() const { return DecimalSep_; }

signals:
    // A valid entry for catalogue parameter Index.
    void ParamEntered(int Index, double Value);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    friend class TParamDelegate;
    // True when Editor's entry for Row is valid; otherwise shows its message and keeps the focus
    // in Editor.
    bool CheckEditor(int Row, QWidget* Editor);

    Dialogs& Messages_;
    char DecimalSep_;
};

// Creates each value cell's editor (a pick list for the policy row, a line edit otherwise) and
// refuses to let an invalid entry close it.
class TParamDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TParamDelegate(TParamGrid& Grid) : QStyledItemDelegate(&Grid), Grid_(Grid) {}
    QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;
    void setEditorData(QWidget* Editor, const QModelIndex& Index) const override;
    void setModelData(QWidget* Editor, QAbstractItemModel* Model, const QModelIndex& Index) const override;

protected:
    bool eventFilter(QObject* Editor, QEvent* Event) override;

private:
    TParamGrid& Grid_;
};
