#pragma once
#include <string>
#include <vector>

#include <QWidget>

#include "ui/ChartSeries.h"

class Dialogs;
class FileDialogs;
class QCheckBox;
class QComboBox;
class TChartView;
class TSimulation;

// The statistics window's chart: the chosen metric by stage, its mean as a bar and its minimum and
// maximum as a whisker ("Show range"), with "Save Chart...". The metrics are the report's blocks,
// in its order and under its headings.
class TStatsChart : public QWidget {
    Q_OBJECT
public:
    TStatsChart(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // The statistics of Model's last run, every metric, copied.
    void SetStats(const TSimulation& Model);
    // No bars but "no run": the run they came from is gone.
    void Clear();
    // See TChartView::SetFileBaseName.
    void SetFileBaseName(std::string Base);

    const std::vector<TStageBars>& Bars() const { return Bars_; }  // [metric], as TMetric numbers them
    const TChartView& Chart() const { return *Chart_; }

private slots:
    void Redraw();

private:
    std::vector<TStageBars> Bars_;  // [metric]
    QComboBox* MetricList_;         // the report's headings; each item's data is its metric
    QCheckBox* RangeCheck_;
    TChartView* Chart_;
};
