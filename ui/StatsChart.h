#pragma once
#include <vector>

#include <QWidget>

#include "ui/ChartSeries.h"

class Dialogs;
class FileDialogs;
class QComboBox;
class TChartView;
class TSimulation;

// The statistics window's chart: the chosen metric by stage, its mean as a bar and its minimum and
// maximum as a whisker, with "Save Chart...".
class TStatsChart : public QWidget {
    Q_OBJECT
public:
    TStatsChart(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // The statistics of Model's last run, every metric, copied.
    void SetStats(const TSimulation& Model);
    // No bars: the run they came from is gone.
    void Clear();

    const std::vector<TStageBars>& Bars() const { return Bars_; }
    const TChartView& Chart() const { return *Chart_; }

private slots:
    void Redraw();

private:
    std::vector<TStageBars> Bars_;  // [metric]
    QComboBox* MetricList_;
    TChartView* Chart_;
};
