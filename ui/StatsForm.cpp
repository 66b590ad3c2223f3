#include "ui/StatsForm.h"

#include <QVBoxLayout>

#include "platform/Locale.h"
#include "reports/StatsReport.h"
#include "ui/SecondaryWindow.h"
#include "ui/TextLinesView.h"

TStatsWindow::TStatsWindow(QWidget* Parent) : QWidget(Parent, Qt::Window), ReportView_(new TTextLinesView(this))
{
    setObjectName("StatsWindow");
    SetUpSecondaryWindow(*this, "Stats Window", QSize(837, 734));
    ReportView_->setObjectName("ReportView");
    ReportView_->setAccessibleName("Statistics report");
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(ReportView_);
}

void TStatsWindow::FillStats(const TSimulation& Model)
{
    ReportView_->SetLines(BuildStatsReport(Model, LocalDateTimeText(), LocaleDecimalSeparator()));
}
