#pragma once
#include <QWidget>

class TSimulation;
class TTextLinesView;

// "Stats Window": the statistics report of the last run, rebuilt on every FillStats. Created once
// and hidden; closing it (or Escape) only hides it.
class TStatsWindow : public QWidget {
    Q_OBJECT
public:
    explicit TStatsWindow(QWidget* Parent = nullptr);

    // Builds the report of Model into the text box and shows its first line.
    void FillStats(const TSimulation& Model);
    const TTextLinesView& ReportView() const { return *ReportView_; }

private:
    TTextLinesView* ReportView_;
};
