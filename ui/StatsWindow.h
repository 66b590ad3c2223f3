#pragma once
#include <string>

#include <QWidget>

class Dialogs;
class FileDialogs;
class TSimulation;
class TModelDocument;
class TStatsChart;
class TTextLinesView;

// "Stats Window": the statistics report of the last run, rebuilt on every FillStats, a chart of a
// metric by stage below it, "&Save Text" to keep the report and "&Export CSV..." to keep its metric
// blocks as CSV. Created once and hidden; closing it (or Escape) only hides it.
class TStatsWindow : public QWidget {
    Q_OBJECT
public:
    TStatsWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // Builds the report of Model into the text box and shows its first line; builds its CSV too,
    // and the chart shows Model's statistics.
    void FillStats(const TSimulation& Model);
    // An empty text showing "no run": the run it came from is gone.
    void ShowNoRun();
    // From now on shows Document's runs: refilled after each while shown, "no run" after a reset.
    void Follow(const TModelDocument& Document);
    // Filled with the document's run, and shown (Display Stats).
    void Open();
    const TTextLinesView& ReportView() const { return *ReportView_; }
    TStatsChart& Chart() { return *Chart_; }

private:
    void SaveReportText();
    void ExportCsv();

    Dialogs& Messages_;
    FileDialogs& Files_;
    const TModelDocument* Document_ = nullptr;
    TTextLinesView* ReportView_;
    std::string Csv_;  // of the report on screen
    TStatsChart* Chart_;
};
