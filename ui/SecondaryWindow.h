#pragma once
#include <QSize>
#include <QString>

class QWidget;

// What the stats, history and batch runs windows share: caption, initial size, Escape hides the
// window, and closing one of them never keeps the program running once the main window is closed.
void SetUpSecondaryWindow(QWidget& Window, const QString& Caption, QSize Size);
