#pragma once
#include <QSize>
#include <QString>

class QPushButton;
class QScrollArea;
class QWidget;

// What the stats, history and batch runs windows share: caption, initial size, Escape hides the
// window, and closing one of them never keeps the program running once the main window is closed.
void SetUpSecondaryWindow(QWidget& Window, const QString& Caption, QSize Size);

// Shows a secondary window, placed (PlaceBeforeShowing) when it was hidden, or brings it to the
// front.
void OpenSecondaryWindow(QWidget& Window);

// Content in a frameless scroll area that asks for the content's whole size: at that size it looks
// as the content alone, and it scrolls only in a window made smaller, e.g. to fit a small screen.
QScrollArea* NewScrolledPanel(QWidget* Content);

// The button bar under a report, the same in the statistics and history windows: "&Save Text" and
// "&Export CSV..." on the left of Bar, a new child of Window.
struct TReportBar {
    QWidget* Bar;
    QPushButton* SaveText;
    QPushButton* ExportCsv;
};
TReportBar NewReportBar(QWidget& Window);
