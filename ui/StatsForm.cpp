#include "ui/StatsForm.h"

#include <QVBoxLayout>

#include "platform/Locale.h"
#include "reports/StatsReport.h"
#include "ui/SecondaryWindow.h"
#include "ui/TextLinesView.h"

TStatsWindow::TStatsWindow(QWidget* Parent) : QWidget(Parent, Qt::Window), RichEdit1_(new TTextLinesView(this))
{
    setObjectName("StatsForm");
    SetUpSecondaryWindow(*this, "Stats Window", QSize(837, 734));
    RichEdit1_->setObjectName("RichEdit1");
    RichEdit1_->setAccessibleName("Statistics report");
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(RichEdit1_);
}

void TStatsWindow::FillStats(const TSimulation& Model)
{
    RichEdit1_->SetLines(BuildStatsReport(Model, LocalDateTimeText(), LocaleDecimalSeparator()));
}
