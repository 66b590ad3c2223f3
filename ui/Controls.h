#pragma once
#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>

class QLabel;
class QTableWidget;
class QWidget;

// Makes Grid's font (8 points at most) small enough that every text of Texts fits a column
// Width pixels wide, and its rows just high enough for that font. Desktop fonts differ in width;
// the window's sizes do not.
void FitFontToColumn(QTableWidget& Grid, const QStringList& Texts, int Width);

// The fixed-pitch font of the report and results texts, so that their columns line up.
QFont ReportFont();

// A caption without its mnemonic marks, as its control's accessible name.
QString WithoutMnemonic(QString Caption);

// A control that shows Caption (a button, check box, radio button, group box or label) in Parent,
// named Name when one is given; its accessible name is the caption without mnemonic marks and
// outer blanks.
template <class T>
T* NewCaptioned(const char* Name, const QString& Caption, QWidget* Parent = nullptr)
{
    auto* Control = new T(Caption, Parent);
    if (Name) {
        Control->setObjectName(Name);
    }
    Control->setAccessibleName(WithoutMnemonic(Caption).trimmed());
    return Control;
}

// A label (as NewCaptioned) whose mnemonic moves the focus to Buddy.
QLabel* NewBuddyLabel(const char* Name, const QString& Text, QWidget* Buddy);

// Shows a modeless window, or brings it to the front when it is already shown.
void ShowModeless(QWidget& Window);

// The hourglass for the length of a command; message boxes show the normal cursor over it.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// While it lives, the program's windows handle no user input: keys, mouse buttons, the wheel,
// shortcuts and requests to close a window are dropped, so that a long command can let the windows
// repaint without anything else happening meanwhile. A modal box shown during the command (a
// message) still takes its input.
class TInputBlock : public QObject {
    Q_OBJECT
public:
    TInputBlock();
    ~TInputBlock() override;
    TInputBlock(const TInputBlock&) = delete;
    TInputBlock& operator=(const TInputBlock&) = delete;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
};
