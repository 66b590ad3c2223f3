#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <QWidget>

#include "ui/ChartSeries.h"

class Dialogs;
class FileDialogs;
class QComboBox;
class TChartView;

// The Batch Runs window's chart: the chosen results column of the latest batch against the first
// sweep row's values (or the setting's number), one line per value of the second row, with
// Mean -/+ 1.96 SEM as a band where the table reports the SEM; it grows as each setting finishes.
class TBatchChart : public QWidget {
    Q_OBJECT
public:
    TBatchChart(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // A new batch laid out as Shape says: the chart empties.
    void StartBatch(TBatchChartShape Shape);
    // Setting I has finished (see TBatchChartData::AddSetting).
    void AddSetting(int32_t I, const std::vector<TResultColumn>& Columns, const TSettingResult& Result);
    // See TChartView::SetFileBaseName; the window that runs the batch knows the model's file.
    void SetFileBaseName(std::string Base);

    const TBatchChartData& Data() const { return Data_; }
    const TChartView& Chart() const { return *Chart_; }

private slots:
    void Redraw();

private:
    TBatchChartData Data_;
    QComboBox* ColumnList_;
    TChartView* Chart_;
};
