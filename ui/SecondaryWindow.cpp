#include "ui/SecondaryWindow.h"

#include <QShortcut>
#include <QWidget>

void SetUpSecondaryWindow(QWidget& Window, const QString& Caption, QSize Size)
{
    Window.setWindowTitle(Caption);
    Window.resize(Size);
    Window.setAttribute(Qt::WA_QuitOnClose, false);
    auto* Escape = new QShortcut(QKeySequence(Qt::Key_Escape), &Window);
    Escape->setContext(Qt::WindowShortcut);
    QObject::connect(Escape, &QShortcut::activated, &Window, &QWidget::close);
}
