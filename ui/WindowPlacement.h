#pragma once
#include <initializer_list>

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Where windows open, and how large, on the screen they are on. Sizes and rectangles are in the
// screen's logical pixels; a window's geometry is its client area, Frame the margins its title bar
// and borders add around it.

// Steps of a cascade, right and down: a window's title bar stays in sight below the next one.
constexpr int CascadeStep = 32;

// What a secondary window is placed by.
struct TPlacementRequest {
    QRect Available;  // the screen's available geometry
    QRect Main;       // the main window's frame rectangle; null when there is none
    QMargins Frame;   // the window's frame margins
    QSize Size;       // the client size it would have: its default or the user's
    QSize Minimum;    // its client's minimum size
    int Slot = 0;     // its place among the secondary windows, from 0: each a step further
};

// The client geometry of a secondary window: beside the main window, right of it or below it,
// where the room there holds the window at its minimum size (the side that shows more of the
// window; right when both show all of it), shrunk to that room and moved Slot steps into it;
// otherwise cascaded from the main window's top-left corner, Slot + 1 steps. Without a main window,
// centred and Slot steps further. In every case the window's frame lies within Available, its size
// never more than Size.
QRect PlaceSecondary(const TPlacementRequest& Request);

// The client geometry of a window of client rectangle Client fitted to a screen: its size bounded
// by Available less the frame, then centred on Available when Centre, otherwise moved no more than
// it takes to bring its frame inside Available.
QRect FitOnScreen(const QRect& Available, const QMargins& Frame, const QRect& Client, bool Centre);

// Whether a remembered client geometry may be restored: its frame wholly within Available and its
// size at least Minimum.
bool StillFits(const QRect& Available, const QMargins& Frame, const QRect& Client, QSize Minimum);

// Windows (the secondary windows, in the order of their cascade slots) open beside Main from now on,
// and each remembers its geometry in the user's settings when it is hidden or closed, under its
// object name. Main outlives them.
void AnchorWindows(const QWidget& Main, std::initializer_list<QWidget*> Windows);

// Gives a hidden window its geometry before it is shown: the one it was left at, in this session
// or an earlier one, when that still fits the screen; otherwise PlaceSecondary beside its anchor
// (FitToScreen when it has none). A shown window keeps its place.
void PlaceBeforeShowing(QWidget& Window);

// Fits a top-level window's size (its default, set before) to its screen and keeps it on it:
// centred while the program has not placed it, otherwise moved inside the screen. For a window
// about to be shown, e.g. the main window at start-up.
void FitToScreen(QWidget& Window);
