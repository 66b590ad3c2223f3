#pragma once
#include <string>

#include <QWidget>

class Dialogs;
class FileDialogs;
class QTabWidget;
class THistoryChart;
class TSimulation;
class TTextLinesView;

// "HistoryWindow": the History and Order History texts of the last run on two tabs, its chart on
// a third, and "&Save Text", which saves the text on view (the History text from the chart's tab). Created once and hidden; closing it (or Escape)
// only hides it.
class THistoryWindow : public QWidget {
    Q_OBJECT
public:
    THistoryWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // Rebuild the History / Order History text from Model, dated DateTime, scrolled to the start;
    // the History text's also gives the chart Model's run.
    void FillHistory(const TSimulation& Model, const std::string& DateTime);
    void FillOrderHistory(const TSimulation& Model, const std::string& DateTime);
    // Shows the "History" tab with the focus on its text.
    void ShowHistoryTab();
    // The main window's replay period, marked on the chart; 0 marks none.
    void SetReplayPeriod(int Period);

    const TTextLinesView& HistoryText() const { return *HistoryView_; }
    const TTextLinesView& OrderHistoryText() const { return *OrderHistoryView_; }
    THistoryChart& Chart() { return *Chart_; }

private slots:
    // Asks for a file ("Save History As") and writes the History text to it with CR line ends;
    // a failure is reported with the file's name and the reason.
    void SaveShownText();

private:
    Dialogs& Messages_;
    FileDialogs& Files_;
    QTabWidget* Tabs_;
    TTextLinesView* HistoryView_;
    TTextLinesView* OrderHistoryView_;
    THistoryChart* Chart_;
};
