#include "ui/StatsWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/CsvTables.h"
#include "reports/StatsReport.h"
#include "ui/ChartView.h"
#include "ui/Controls.h"
#include "ui/FileDialogs.h"
#include "ui/ModelDocument.h"
#include "ui/SecondaryWindow.h"
#include "ui/StatsChart.h"
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
    const TReportBar Bar = NewReportBar(*this);

    Chart_ = new TStatsChart(Messages, Files);
    Chart_->setObjectName("StatsChartPanel");
    Chart_->setAccessibleName("Statistics chart");
    auto* Split = new QSplitter(Qt::Vertical, this);
    Split->setObjectName("ReportSplitter");
    Split->setAccessibleName("Statistics report and chart");
    Split->addWidget(ReportView_);
    Split->addWidget(Chart_);
    // Neither side can be pushed out of sight, and the chart keeps room for its bars, their labels
    // and its axis title.
    Split->setChildrenCollapsible(false);
    ReportView_->setMinimumHeight(80);
    Chart_->setMinimumHeight(280);
    Split->setStretchFactor(0, 1);
    Split->setStretchFactor(1, 1);
    Split->setSizes({430, 260});

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    Layout->addWidget(Split);
    Layout->addWidget(Bar.Bar);
    connect(Bar.SaveText, &QPushButton::clicked, this, &TStatsWindow::SaveReportText);
    connect(Bar.ExportCsv, &QPushButton::clicked, this, &TStatsWindow::ExportCsv);
}

void TStatsWindow::SaveReportText()
{
    SaveLinesAs(Files_, Messages_, "Save Statistics As", ReportView_->Lines());
}

void TStatsWindow::ShowNoRun()
{
    ReportView_->SetLines({});
    Csv_.clear();
    Chart_->Clear();
}

void TStatsWindow::FillStats(const TSimulation& Model)
{
    ReportView_->SetLines(BuildStatsReport(Model, LocalDateTimeText(), LocaleDecimalSeparator()));
    Csv_ = BuildStatsCsv(Model);
    Chart_->SetStats(Model);
}

void TStatsWindow::ExportCsv()
{
    if (Csv_.empty()) {
        Messages_.ShowInfo(NoRunToExport);
        return;
    }
    SaveCsvAs(Files_, Messages_, "Export Statistics as CSV", Csv_);
}

void TStatsWindow::Follow(const TModelDocument& Document)
{
    Document_ = &Document;
    connect(&Document, &TModelDocument::RunFinished, this, [this] {
        if (isVisible()) {
            FillStats(Document_->Model());
        }
    });
    connect(&Document, &TModelDocument::RunReset, this, &TStatsWindow::ShowNoRun);
    const auto NameCharts = [this] { Chart_->SetFileBaseName(TChartView::FileBaseNameOf(Document_->FileName())); };
    connect(&Document, &TModelDocument::FileNameChanged, this, NameCharts);
    NameCharts();
}

void TStatsWindow::Open()
{
    if (Document_) {
        FillStats(Document_->Model());
        OpenSecondaryWindow(*this);
    }
}
