#include "ui/HistoryWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/CsvTables.h"
#include "reports/HistoryReport.h"
#include "ui/ChartSeries.h"
#include "ui/ChartView.h"
#include "ui/Controls.h"
#include "ui/FileDialogs.h"
#include "ui/HistoryChart.h"
#include "ui/ModelDocument.h"
#include "ui/SecondaryWindow.h"
#include "ui/TextLinesView.h"

namespace {

TTextLinesView* NewTab(QTabWidget& Tabs, const char* TabName, const QString& Caption, const char* TextName)
{
    auto* Page = new QWidget;
    Page->setObjectName(TabName);
    auto* Text = new TTextLinesView(Page);
    Text->setObjectName(TextName);
    Text->setAccessibleName(Caption);
    Text->SetPlaceholder("no run");
    auto* Layout = new QVBoxLayout(Page);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(Text);
    Tabs.addTab(Page, Caption);
    return Text;
}

}  // namespace

THistoryWindow::THistoryWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent, Qt::Window), Messages_(Messages), Files_(Files), Tabs_(new QTabWidget(this))
{
    setObjectName("HistoryWindow");
    SetUpSecondaryWindow(*this, "HistoryWindow", QSize(870, 640));
    setMinimumSize(480, 360);  // the chart keeps a readable width beside its lists
    Tabs_->setObjectName("Tabs");
    HistoryView_ = NewTab(*Tabs_, "HistoryTab", "History", "HistoryView");
    OrderHistoryView_ = NewTab(*Tabs_, "OrderHistoryTab", "Order History", "OrderHistoryView");
    Chart_ = new THistoryChart(Messages, Files);
    Chart_->setObjectName("ChartTab");
    Chart_->setAccessibleName("Chart");
    Tabs_->addTab(Chart_, "Chart");

    const TReportBar Bar = NewReportBar(*this);

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    Layout->addWidget(Tabs_);
    Layout->addWidget(Bar.Bar);
    connect(Bar.SaveText, &QPushButton::clicked, this, &THistoryWindow::SaveShownText);
    connect(Bar.ExportCsv, &QPushButton::clicked, this, &THistoryWindow::ExportShownCsv);
}

void THistoryWindow::FillHistory(const TSimulation& Model, const std::string& DateTime)
{
    HistoryView_->SetLines(BuildHistoryText(Model, DateTime, LocaleDecimalSeparator()));
    HistoryCsv_ = BuildHistoryCsv(Model);
    Chart_->SetHistory(THistorySeriesTable(Model));
}

void THistoryWindow::FillOrderHistory(const TSimulation& Model, const std::string& DateTime)
{
    OrderHistoryView_->SetLines(BuildOrderHistoryText(Model, DateTime));
    OrderHistoryCsv_ = BuildOrderHistoryCsv(Model);
}

void THistoryWindow::ShowNoRun()
{
    HistoryView_->SetLines({});
    OrderHistoryView_->SetLines({});
    HistoryCsv_.clear();
    OrderHistoryCsv_.clear();
    Chart_->SetHistory(THistorySeriesTable{});
}

void THistoryWindow::ShowHistoryTab()
{
    Tabs_->setCurrentIndex(0);
    HistoryView_->setFocus();
}

void THistoryWindow::SetReplayPeriod(int Period)
{
    Chart_->SetReplayPeriod(Period);
}

void THistoryWindow::SaveShownText()
{
    // The tab in view is the text the user means.
    if (Tabs_->currentIndex() == 1) {
        SaveLinesAs(Files_, Messages_, "Save Order History As", OrderHistoryView_->Lines());
    } else {
        SaveLinesAs(Files_, Messages_, "Save History As", HistoryView_->Lines());
    }
}

void THistoryWindow::ExportShownCsv()
{
    if (HistoryCsv_.empty()) {
        Messages_.ShowInfo(NoRunToExport);
        return;
    }
    if (Tabs_->currentIndex() == 1) {
        SaveCsvAs(Files_, Messages_, "Export Order History as CSV", OrderHistoryCsv_);
    } else {
        SaveCsvAs(Files_, Messages_, "Export History as CSV", HistoryCsv_);
    }
}

void THistoryWindow::Follow(const TModelDocument& Document)
{
    Document_ = &Document;
    connect(&Document, &TModelDocument::RunFinished, this, [this] {
        if (isVisible()) {
            FillFromDocument();
        }
    });
    connect(&Document, &TModelDocument::RunReset, this, &THistoryWindow::ShowNoRun);
    connect(&Document, &TModelDocument::ShownPeriodChanged, this, &THistoryWindow::SetReplayPeriod);
    const auto NameCharts = [this] { Chart_->SetFileBaseName(TChartView::FileBaseNameOf(Document_->FileName())); };
    connect(&Document, &TModelDocument::FileNameChanged, this, NameCharts);
    NameCharts();
}

void THistoryWindow::FillFromDocument()
{
    // One time on both texts, though the clock may tick between them.
    const std::string DateTime = LocalDateTimeText();
    FillHistory(Document_->Model(), DateTime);
    FillOrderHistory(Document_->Model(), DateTime);
}

void THistoryWindow::Open()
{
    if (Document_) {
        FillFromDocument();
        ShowHistoryTab();
        OpenSecondaryWindow(*this);
    }
}
