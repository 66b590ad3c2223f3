#include "ui/Controls.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

namespace {

// Room a grid cell takes around its text.
constexpr int CellPadding = 8;
constexpr double SmallestPoints = 6;

}  // namespace

void FitFontToColumn(QTableWidget& Grid, const QStringList& Texts, int Width)
{
    QFont Font = Grid.font();
    for (double Points = 8; Points >= SmallestPoints; Points -= 0.5) {
        Font.setPointSizeF(Points);
        const QFontMetrics Metrics(Font);
        int Widest = 0;
        for (const QString& Text : Texts) {
            Widest = std::max(Widest, Metrics.horizontalAdvance(Text));
        }
        if (Widest + CellPadding <= Width) {
            break;
        }
    }
    Grid.setFont(Font);
    Grid.verticalHeader()->setDefaultSectionSize(QFontMetrics(Font).height() + 4);
}

QFont ReportFont()
{
    QFont Font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    Font.setPointSize(9);
    return Font;
}

QString WithoutMnemonic(QString Caption)
{
    return Caption.remove(QLatin1Char('&'));
}

QLabel* NewBuddyLabel(const char* Name, const QString& Text, QWidget* Buddy)
{
    QLabel* Label = NewCaptioned<QLabel>(Name, Text);
    Label->setBuddy(Buddy);
    return Label;
}

void ShowModeless(QWidget& Window)
{
    Window.show();
    Window.raise();
    Window.activateWindow();
}

TBusyCursor::TBusyCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

TBusyCursor::~TBusyCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

TInputBlock::TInputBlock()
{
    qApp->installEventFilter(this);
}

TInputBlock::~TInputBlock()
{
    qApp->removeEventFilter(this);
}

bool TInputBlock::eventFilter(QObject* Watched, QEvent* Event)
{
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        return QObject::eventFilter(Watched, Event);
    }
    switch (Event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
        return true;
    case QEvent::Close:
        // Only the user's request from the title bar; the program may still close a window.
        if (!Event->spontaneous()) {
            return QObject::eventFilter(Watched, Event);
        }
        Event->ignore();
        return true;
    default:
        return QObject::eventFilter(Watched, Event);
    }
}
