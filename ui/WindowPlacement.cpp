#include "ui/WindowPlacement.h"

#include <algorithm>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QLayout>
#include <QSettings>
#include <QStyle>
#include <QWidget>

namespace {

constexpr const char* MemoryName = "WindowMemory";

QSize WithFrame(QSize Client, const QMargins& Frame)
{
    return {Client.width() + Frame.left() + Frame.right(), Client.height() + Frame.top() + Frame.bottom()};
}

// R moved no more than it takes to lie within Area; R is no larger than Area.
QRect Inside(QRect R, const QRect& Area)
{
    R.moveRight(std::min(R.right(), Area.right()));
    R.moveLeft(std::max(R.left(), Area.left()));
    R.moveBottom(std::min(R.bottom(), Area.bottom()));
    R.moveTop(std::max(R.top(), Area.top()));
    return R;
}

// A window's frame margins once it has been shown; before that, window systems report none, and a
// title bar of the style's height is the likeliest.
QMargins FrameOf(const QWidget& Window)
{
    const QRect Outer = Window.frameGeometry();
    const QRect Inner = Window.geometry();
    const QMargins Frame(Inner.left() - Outer.left(), Inner.top() - Outer.top(), Outer.right() - Inner.right(),
                         Outer.bottom() - Inner.bottom());
    return Frame.isNull() ? QMargins(0, Window.style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0) : Frame;
}

// The program's settings file, beside the user's batch reporting options.
QSettings UserSettings()
{
    return QSettings(QSettings::UserScope, QStringLiteral("orvantis"), QCoreApplication::applicationName());
}

QString KeyOf(const QWidget& Window)
{
    return QStringLiteral("Windows/") + Window.objectName();
}

// A secondary window's anchor and slot, and its memory: the geometry it is hidden at goes to the
// user's settings.
class TWindowMemory final : public QObject {
public:
    TWindowMemory(QWidget& Window, const QWidget& Main, int Slot) : QObject(&Window), Main_(Main), Slot_(Slot)
    {
        setObjectName(MemoryName);
        Window.installEventFilter(this);
    }
    const QWidget& Main() const { return Main_; }
    int Slot() const { return Slot_; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        // Not a minimised window's: its place is the one it comes back to.
        if (Event->type() == QEvent::Hide && !Event->spontaneous() && Watched == parent()) {
            const auto& Window = static_cast<const QWidget&>(*Watched);
            UserSettings().setValue(KeyOf(Window), Window.normalGeometry());
        }
        return false;
    }

private:
    const QWidget& Main_;
    const int Slot_;
};

// The window's size and place, and a minimum no larger than that: a screen too small for the
// window's minimum still shows all of the window.
void SetPlace(QWidget& Window, const QRect& Client)
{
    Window.setMinimumSize(Window.minimumSize().boundedTo(Client.size()));
    Window.setGeometry(Client);
}

}  // namespace

QRect PlaceSecondary(const TPlacementRequest& R)
{
    const QSize Whole = WithFrame(R.Size, R.Frame).boundedTo(R.Available.size());
    const QSize Least = WithFrame(R.Minimum, R.Frame);
    const QPoint Offset(R.Slot * CascadeStep, R.Slot * CascadeStep);
    QRect Best;
    if (R.Main.isNull()) {
        Best = QRect(QPoint(), Whole);
        Best.moveCenter(R.Available.center());
        return Inside(Best.translated(Offset), R.Available).marginsRemoved(R.Frame);
    }
    struct TSide {
        QRect Room;
        QPoint Origin;
    };
    const int RightOf = std::max(R.Main.right() + 1, R.Available.left());
    const int Below = std::max(R.Main.bottom() + 1, R.Available.top());
    const TSide Sides[] = {
        {QRect(QPoint(RightOf, R.Available.top()), R.Available.bottomRight()), QPoint(RightOf, R.Main.top())},
        {QRect(QPoint(R.Available.left(), Below), R.Available.bottomRight()), QPoint(R.Main.left(), Below)},
    };
    long long BestArea = 0;
    for (const TSide& Side : Sides) {
        if (Side.Room.width() < Least.width() || Side.Room.height() < Least.height()) {
            continue;
        }
        const QRect Frame = Inside(QRect(Side.Origin + Offset, Whole.boundedTo(Side.Room.size())), Side.Room);
        const long long Area = static_cast<long long>(Frame.width()) * Frame.height();
        if (Area > BestArea) {
            Best = Frame;
            BestArea = Area;
        }
    }
    if (Best.isNull()) {
        Best = Inside(QRect(R.Main.topLeft() + Offset + QPoint(CascadeStep, CascadeStep), Whole), R.Available);
    }
    return Best.marginsRemoved(R.Frame);
}

QRect FitOnScreen(const QRect& Available, const QMargins& Frame, const QRect& Client, bool Centre)
{
    QRect Outer(Client.topLeft() - QPoint(Frame.left(), Frame.top()), WithFrame(Client.size(), Frame).boundedTo(Available.size()));
    if (Centre) {
        Outer.moveCenter(Available.center());
    }
    return Inside(Outer, Available).marginsRemoved(Frame);
}

bool StillFits(const QRect& Available, const QMargins& Frame, const QRect& Client, QSize Minimum)
{
    return Client.isValid() && Available.contains(Client.marginsAdded(Frame)) && Client.width() >= Minimum.width() &&
           Client.height() >= Minimum.height();
}

void AnchorWindows(const QWidget& Main, std::initializer_list<QWidget*> Windows)
{
    int Slot = 0;
    for (QWidget* Window : Windows) {
        new TWindowMemory(*Window, Main, Slot++);
    }
}

void PlaceBeforeShowing(QWidget& Window)
{
    if (Window.isVisible()) {
        return;
    }
    // The minimum size its layout gives it, which a window that was never shown does not have yet.
    Window.ensurePolished();
    if (Window.layout()) {
        Window.layout()->activate();
    }
    const auto* Memory = dynamic_cast<const TWindowMemory*>(
        Window.findChild<QObject*>(MemoryName, Qt::FindDirectChildrenOnly));
    if (!Memory) {
        FitToScreen(Window);
        return;
    }
    const QWidget& Main = Memory->Main();
    // Until the window has been shown its frame is not known: the main window's is the likeliest.
    const QMargins Frame = Window.frameGeometry() != Window.geometry() ? FrameOf(Window) : FrameOf(Main);
    const QRect Remembered = UserSettings().value(KeyOf(Window)).toRect();
    if (const QScreen* Screen = QGuiApplication::screenAt(Remembered.center());
        Screen && StillFits(Screen->availableGeometry(), Frame, Remembered, Window.minimumSize())) {
        Window.setGeometry(Remembered);
        return;
    }
    const QScreen* Screen = Main.isVisible() ? Main.screen() : Window.screen();
    const TPlacementRequest Request{Screen->availableGeometry(),
                                    Main.isVisible() ? Main.frameGeometry() : QRect(),
                                    Frame,
                                    Window.size(),
                                    Window.minimumSize(),
                                    Memory->Slot()};
    SetPlace(Window, PlaceSecondary(Request));
}

void FitToScreen(QWidget& Window)
{
    const QScreen* Screen = Window.screen();
    if (!Screen) {
        return;
    }
    const bool Centre = !Window.testAttribute(Qt::WA_Moved);
    SetPlace(Window, FitOnScreen(Screen->availableGeometry(), FrameOf(Window), Window.geometry(), Centre));
}
