#include "ui/SecondaryWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QWidget>

#include "ui/Controls.h"
#include "ui/WindowPlacement.h"

namespace {

class TScrolledPanel final : public QScrollArea {
public:
    QSize sizeHint() const override
    {
        const int Frame = 2 * frameWidth();
        return widget()->sizeHint() + QSize(Frame, Frame);
    }
};

}  // namespace

void SetUpSecondaryWindow(QWidget& Window, const QString& Caption, QSize Size)
{
    Window.setWindowTitle(Caption);
    Window.resize(Size);
    Window.setAttribute(Qt::WA_QuitOnClose, false);
    auto* Escape = new QShortcut(QKeySequence(Qt::Key_Escape), &Window);
    Escape->setContext(Qt::WindowShortcut);
    QObject::connect(Escape, &QShortcut::activated, &Window, &QWidget::close);
}

void OpenSecondaryWindow(QWidget& Window)
{
    PlaceBeforeShowing(Window);
    ShowModeless(Window);
}

QScrollArea* NewScrolledPanel(QWidget* Content)
{
    auto* Scroll = new TScrolledPanel;
    Scroll->setFrameShape(QFrame::NoFrame);
    Scroll->setWidgetResizable(true);
    Scroll->setWidget(Content);
    return Scroll;
}

TReportBar NewReportBar(QWidget& Window)
{
    auto* Bar = new QWidget(&Window);
    Bar->setFixedHeight(41);
    auto* SaveText = NewCaptioned<QPushButton>("SaveTextButton", "&Save Text", Bar);
    auto* ExportCsv = NewCaptioned<QPushButton>("ExportCsvButton", "&Export CSV...", Bar);
    auto* Layout = new QHBoxLayout(Bar);
    Layout->addWidget(SaveText);
    Layout->addWidget(ExportCsv);
    Layout->addStretch();
    return {Bar, SaveText, ExportCsv};
}
