#include "ui/StatsForm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/CsvTables.h"
#include "reports/StatsReport.h"
#include "ui/Controls.h"
#include "ui/FileDialogs.h"
#include "ui/SecondaryWindow.h"
#include "ui/TextLinesView.h"

TStatsWindow::TStatsWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent, Qt::Window), Messages_(Messages), Files_(Files), ReportView_(new TTextLinesView(this))
{
    setObjectName("StatsWindow");
    SetUpSecondaryWindow(*this, "Stats Window", QSize(837, 734));
    ReportView_->setObjectName("ReportView");
    ReportView_->setAccessibleName("Statistics report");
    ReportView_->SetPlaceholder("no run");
    // The history window's button bar, so that both reports are kept the same way.
    auto* Bar = new QWidget(this);
    Bar->setFixedHeight(41);
    auto* SaveText = NewCaptioned<QPushButton>("SaveTextButton", "&Save Text", Bar);
    auto* ExportCsv = NewCaptioned<QPushButton>("ExportCsvButton", "&Export CSV...", Bar);
    auto* BarLayout = new QHBoxLayout(Bar);
    BarLayout->addWidget(SaveText);
    BarLayout->addWidget(ExportCsv);
    BarLayout->addStretch();

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    Layout->addWidget(ReportView_);
    Layout->addWidget(Bar);
    connect(SaveText, &QPushButton::clicked, this, &TStatsWindow::SaveReportText);
    connect(ExportCsv, &QPushButton::clicked, this, &TStatsWindow::ExportCsv);
}

void TStatsWindow::SaveReportText()
{
    SaveLinesAs(Files_, Messages_, "Save Statistics As", ReportView_->Lines());
}

void TStatsWindow::ShowNoRun()
{
    ReportView_->SetLines({});
    Csv_.clear();
}

void TStatsWindow::FillStats(const TSimulation& Model)
{
    ReportView_->SetLines(BuildStatsReport(Model, LocalDateTimeText(), LocaleDecimalSeparator()));
    Csv_ = BuildStatsCsv(Model);
}

void TStatsWindow::ExportCsv()
{
    if (Csv_.empty()) {
        Messages_.ShowInfo(NoRunToExport);
        return;
    }
    SaveCsvAs(Files_, Messages_, "Export Statistics as CSV", Csv_);
}
