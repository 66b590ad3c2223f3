#pragma once
#include <QWidget>

class Dialogs;
class FileDialogs;
class TSimulation;
class TTextLinesView;

// "Stats Window": the statistics report of the last run, rebuilt on every FillStats, and "&Save
// Text" to keep it. Created once and hidden; closing it (or Escape) only hides it.
class TStatsWindow : public QWidget {
    Q_OBJECT
public:
    TStatsWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // Builds the report of Model into the text box and shows its first line.
    void FillStats(const TSimulation& Model);
    // An empty text showing "no run": the run it came from is gone.
    void ShowNoRun();
    const TTextLinesView& ReportView() const { return *ReportView_; }

private:
    void SaveReportText();

    Dialogs& Messages_;
    FileDialogs& Files_;
    TTextLinesView* ReportView_;
};
