#include "ui/HistoryChart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ChartView.h"
#include "ui/Controls.h"

namespace {

constexpr int InvLevelSeries = 3;
const QString Hint = "Drag to zoom, wheel to zoom, right-drag or arrows to pan, Home or double-click for all";

QListWidget* NewCheckList(const char* Name, const QString& AccessibleName)
{
    auto* List = new QListWidget;
    List->setObjectName(Name);
    List->setAccessibleName(AccessibleName);
    List->setFixedWidth(120);
    return List;
}

void AddCheckItem(QListWidget& List, const QString& Text, bool Checked)
{
    auto* Item = new QListWidgetItem(Text, &List);
    Item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    Item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
}

}  // namespace

THistoryChart::THistoryChart(Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent), Messages_(Messages), Files_(Files), SeriesList_(NewCheckList("SeriesList", "Series")),
      StageList_(NewCheckList("StageList", "Stages")), Chart_(new TChartView), HoverLabel_(new QLabel(Hint))
{
    Chart_->setObjectName("HistoryChart");
    Chart_->setAccessibleName("History chart");
    Chart_->setToolTip(Hint);
    Chart_->SetEmptyText("no run");
    HoverLabel_->setObjectName("HoverLabel");
    HoverLabel_->setAccessibleName("Value under the pointer");
    HoverLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // its hint sets no minimum width
    for (int I = 0; I < NumHistorySeries; ++I) {
        AddCheckItem(*SeriesList_, QString::fromStdString(HistorySeriesNames[static_cast<std::size_t>(I)]),
                     I == InvLevelSeries);
    }
    // Both lists as wide as the longest series name, which is then shown whole, without a scroll bar.
    const int Width = std::max(120, SeriesList_->sizeHintForColumn(0) + 2 * SeriesList_->frameWidth() + 8);
    SeriesList_->setFixedWidth(Width);
    StageList_->setFixedWidth(Width);
    SeriesList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SeriesList_->setFixedHeight(SeriesList_->sizeHintForRow(0) * NumHistorySeries + 2 * SeriesList_->frameWidth());
    auto* Save = NewCaptioned<QPushButton>("SaveChartButton", "Save C&hart...");

    auto* Choices = new QVBoxLayout;
    Choices->addWidget(NewBuddyLabel("SeriesLabel", "S&eries", SeriesList_));
    Choices->addWidget(SeriesList_);
    Choices->addWidget(NewBuddyLabel("StagesLabel", "S&tages", StageList_));
    Choices->addWidget(StageList_, 1);
    auto* Bottom = new QHBoxLayout;
    Bottom->addWidget(HoverLabel_, 1);
    Bottom->addWidget(Save);
    auto* Right = new QVBoxLayout;
    Right->addWidget(Chart_, 1);
    Right->addLayout(Bottom);
    auto* Layout = new QHBoxLayout(this);
    Layout->setContentsMargins(6, 6, 6, 6);
    Layout->addLayout(Choices);
    Layout->addLayout(Right, 1);

    connect(SeriesList_, &QListWidget::itemChanged, this, &THistoryChart::SelectionChanged);
    connect(StageList_, &QListWidget::itemChanged, this, &THistoryChart::SelectionChanged);
    connect(Save, &QPushButton::clicked, this, &THistoryChart::SaveChart);
    connect(Chart_, &TChartView::Hovered, this,
            [this](const QString& Text) { HoverLabel_->setText(Text.isEmpty() ? Hint : Text); });
}

std::vector<int> THistoryChart::Checked(const QListWidget& List)
{
    std::vector<int> Rows;
    for (int I = 0; I < List.count(); ++I) {
        if (List.item(I)->checkState() == Qt::Checked) {
            Rows.push_back(I);
        }
    }
    return Rows;
}

void THistoryChart::SetHistory(THistorySeriesTable History)
{
    History_ = std::move(History);
    std::vector<int> Stages;
    for (const int Row : Checked(*StageList_)) {
        if (Row < History_.NumStages()) {
            Stages.push_back(Row + 1);
        }
    }
    std::vector<int> Series = Checked(*SeriesList_);
    if (Stages.empty() || Series.empty()) {
        Stages = {1};
        Series = {InvLevelSeries};
    }
    Filling_ = true;
    StageList_->clear();
    for (int K = 1; K <= History_.NumStages(); ++K) {
        AddCheckItem(*StageList_, QString("Stage %1").arg(K), false);
    }
    Filling_ = false;
    Select(Series, Stages);
}

void THistoryChart::Select(const std::vector<int>& Series, const std::vector<int>& Stages)
{
    Filling_ = true;
    for (int I = 0; I < SeriesList_->count(); ++I) {
        const bool On = std::find(Series.begin(), Series.end(), I) != Series.end();
        SeriesList_->item(I)->setCheckState(On ? Qt::Checked : Qt::Unchecked);
    }
    for (int I = 0; I < StageList_->count(); ++I) {
        const bool On = std::find(Stages.begin(), Stages.end(), I + 1) != Stages.end();
        StageList_->item(I)->setCheckState(On ? Qt::Checked : Qt::Unchecked);
    }
    Filling_ = false;
    SelectionChanged();
}

void THistoryChart::SetReplayPeriod(int Period)
{
    ReplayPeriod_ = Period;
    Chart_->SetMarker(Period > 0 ? Period : std::numeric_limits<double>::quiet_NaN());
}

void THistoryChart::showEvent(QShowEvent* Event)
{
    QWidget::showEvent(Event);
    if (Stale_) {
        Rebuild();
    }
}

void THistoryChart::SelectionChanged()
{
    if (Filling_) {
        return;
    }
    Stale_ = true;
    if (isVisible()) {
        Rebuild();
    }
}

void THistoryChart::Rebuild()
{
    Stale_ = false;
    const std::vector<int> Series = Checked(*SeriesList_);
    const std::vector<int> StageRows = Checked(*StageList_);
    const QString YTitle = Series.size() == 1 ? QString::fromStdString(HistorySeriesNames[static_cast<std::size_t>(Series[0])]) : "Value";
    Chart_->Clear("Period", YTitle);
    Chart_->SetEmptyText(History_.NumStages() == 0 ? "no run" : "Check a series and a stage");
    std::vector<TChartView::TLine> Lines;
    for (const int Row : StageRows) {
        const int K = Row + 1;
        for (const int I : Series) {
            QString Name = QString("Stage %1").arg(K);
            if (Series.size() > 1) {
                Name += " " + QString::fromStdString(HistorySeriesNames[static_cast<std::size_t>(I)]);
            }
            Lines.push_back({Name, History_.Series(K, I), 1});
        }
    }
    Chart_->AddLines(std::move(Lines));
    // The warm-up's periods, each drawn as the unit of x that ends at it.
    Chart_->SetShade(0.5, History_.WarmUp() + 0.5);
    SetReplayPeriod(ReplayPeriod_);
}

void THistoryChart::SetFileBaseName(std::string Base)
{
    Chart_->SetFileBaseName(std::move(Base));
}

void THistoryChart::SaveChart()
{
    SaveChartAs(Files_, Messages_, *Chart_);
}
