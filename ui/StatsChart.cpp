#include "ui/StatsChart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/Simulation.h"
#include "reports/StatsReport.h"
#include "stats/Stats.h"
#include "ui/ChartView.h"
#include "ui/Controls.h"

TStatsChart::TStatsChart(Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent), MetricList_(new QComboBox),
      RangeCheck_(NewCaptioned<QCheckBox>("ShowRangeCheck", "Show &range")), Chart_(new TChartView)
{
    MetricList_->setObjectName("ChartMetricList");
    MetricList_->setAccessibleName("Chart metric");
    MetricList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const TStatsBlock& Block : StatsBlocks) {
        MetricList_->addItem(Block.Title, static_cast<int>(Block.Metric));
    }
    RangeCheck_->setChecked(true);
    RangeCheck_->setToolTip("Whiskers from each stage's minimum to its maximum; without them the axis fits the means");
    Chart_->setObjectName("StatsChart");
    Chart_->setAccessibleName("Statistics by stage");
    Chart_->SetEmptyText("no run");
    LayOutChartPanel(*this, "ChartMetricLabel", *MetricList_, *Chart_, Files, Messages, RangeCheck_);
    connect(MetricList_, &QComboBox::currentIndexChanged, this, &TStatsChart::Redraw);
    connect(RangeCheck_, &QCheckBox::toggled, Chart_, &TChartView::SetRangeShown);
    Redraw();
}

void TStatsChart::SetStats(const TSimulation& Model)
{
    Bars_.clear();
    for (int I = 0; I < NumMetrics; ++I) {
        Bars_.push_back(StageBars(Model, I));
    }
    Redraw();
}

void TStatsChart::Clear()
{
    Bars_.clear();
    Redraw();
}

void TStatsChart::SetFileBaseName(std::string Base)
{
    Chart_->SetFileBaseName(std::move(Base));
}

void TStatsChart::Redraw()
{
    const int I = MetricList_->currentData().toInt();
    // The stages are named on the axis: it needs no title.
    Chart_->Clear(QString(), MetricList_->currentText());
    if (MetricList_->currentIndex() < 0 || I < 0 || static_cast<std::size_t>(I) >= Bars_.size()) {
        return;
    }
    const TStageBars& B = Bars_[static_cast<std::size_t>(I)];
    QStringList Stages;
    for (std::size_t K = 1; K <= B.Mean.size(); ++K) {
        Stages << QString("Stage %1").arg(K);
    }
    Chart_->SetBars(Stages, B.Mean, B.Min, B.Max);
}
