#pragma once
#include <string>

#include <QWidget>

class Dialogs;
class FileDialogs;
class TSimulation;
class TTextLinesView;

// "Stats Window": the statistics report of the last run, rebuilt on every FillStats, "&Save Text"
// to keep it and "&Export CSV..." to keep its metric blocks as CSV. Created once and hidden; closing
// it (or Escape) only hides it.
class TStatsWindow : public QWidget {
    Q_OBJECT
public:
    TStatsWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // Builds the report of Model into the text box and shows its first line; builds its CSV too.
    void FillStats(const TSimulation& Model);
    // An empty text showing "no run": the run it came from is gone.
    void ShowNoRun();
    const TTextLinesView& ReportView() const { return *ReportView_; }

private:
    void SaveReportText();
    void ExportCsv();

    Dialogs& Messages_;
    FileDialogs& Files_;
    TTextLinesView* ReportView_;
    std::string Csv_;  // of the report on screen
};
