#include "ui/StatsChart.h"

#include <QComboBox>
#include <QLabel>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/Simulation.h"
#include "stats/Stats.h"
#include "ui/ChartView.h"
#include "ui/Controls.h"

TStatsChart::TStatsChart(Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent), MetricList_(new QComboBox), Chart_(new TChartView)
{
    MetricList_->setObjectName("ChartMetricList");
    MetricList_->setAccessibleName("Chart metric");
    for (int I = 0; I < NumMetrics; ++I) {
        MetricList_->addItem(QString::fromStdString(MetricNames[static_cast<std::size_t>(I)]));
    }
    Chart_->setObjectName("StatsChart");
    Chart_->setAccessibleName("Statistics by stage");
    LayOutChartPanel(*this, "ChartMetricLabel", *MetricList_, *Chart_, Files, Messages);
    connect(MetricList_, &QComboBox::currentIndexChanged, this, &TStatsChart::Redraw);
    Chart_->Clear("Stage", QString());
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

void TStatsChart::Redraw()
{
    const int I = MetricList_->currentIndex();
    Chart_->Clear("Stage", MetricList_->currentText());
    if (I < 0 || static_cast<std::size_t>(I) >= Bars_.size()) {
        return;
    }
    const TStageBars& B = Bars_[static_cast<std::size_t>(I)];
    QStringList Stages;
    for (std::size_t K = 1; K <= B.Mean.size(); ++K) {
        Stages << QString::number(K);
    }
    Chart_->SetBars(Stages, B.Mean, B.Min, B.Max);
}
