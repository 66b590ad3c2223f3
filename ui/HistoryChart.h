#pragma once
#include <string>
#include <vector>

#include <QWidget>

#include "ui/ChartSeries.h"

class Dialogs;
class FileDialogs;
class QLabel;
class QListWidget;
class TChartView;

// The history window's "Chart" tab: the checked series of the checked stages over the periods of
// the run shown, the warm-up shaded and the main window's replay period marked, with "Save Chart...".
// The lines are built when the tab is shown, so that filling a hidden tab costs only the copy.
class THistoryChart : public QWidget {
    Q_OBJECT
public:
    THistoryChart(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // The run to chart; the checked series and stages stay checked where they still exist (the
    // first stage's "Inv Level" when none is). A table without stages shows "no run".
    void SetHistory(THistorySeriesTable History);
    // The period marked by a vertical line; 0 marks none.
    void SetReplayPeriod(int Period);
    // Checks exactly these series (indexes into HistorySeriesNames) and stages (1-based).
    void Select(const std::vector<int>& Series, const std::vector<int>& Stages);
    // See TChartView::SetFileBaseName.
    void SetFileBaseName(std::string Base);

    const THistorySeriesTable& History() const { return History_; }
    const TChartView& Chart() const { return *Chart_; }
    TChartView& Chart() { return *Chart_; }

protected:
    void showEvent(QShowEvent* Event) override;

private slots:
    void SelectionChanged();
    void SaveChart();

private:
    // The checked rows of List, in order.
    static std::vector<int> Checked(const QListWidget& List);
    void Rebuild();

    Dialogs& Messages_;
    FileDialogs& Files_;
    THistorySeriesTable History_;
    QListWidget* SeriesList_;
    QListWidget* StageList_;
    TChartView* Chart_;
    QLabel* HoverLabel_;
    int ReplayPeriod_ = 0;
    bool Stale_ = false;  // the lines do not show the checked selection yet
    bool Filling_ = false;
};
