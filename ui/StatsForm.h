#pragma once
#include <QWidget>

class Dialogs;
class FileDialogs;
class TSimulation;
class TStatsChart;
class TTextLinesView;

// "Stats Window": the statistics report of the last run, rebuilt on every FillStats, a chart of a
// metric by stage below it, and "&Save Text" to keep the report. Created once and hidden; closing it (or Escape) only hides it.
class TStatsWindow : public QWidget {
    Q_OBJECT
public:
    TStatsWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // Builds the report of Model into the text box and shows its first line; the chart shows Model's
    // statistics.
    void FillStats(const TSimulation& Model);
    const TTextLinesView& ReportView() const { return *ReportView_; }
    TStatsChart& Chart() { return *Chart_; }

private:
    void SaveReportText();

    Dialogs& Messages_;
    FileDialogs& Files_;
    TTextLinesView* ReportView_;
    TStatsChart* Chart_;
};
