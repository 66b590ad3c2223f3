#pragma once
#include <string>

#include <QWidget>

class Dialogs;
class FileDialogs;
class QTabWidget;
class THistoryChart;
class TModelDocument;
class TSimulation;
class TTextLinesView;

// "HistoryWindow": the History and Order History texts of the last run on two tabs, its chart on a
// third, "&Save Text", which saves the text in view (the History text from the chart's tab), and
// "&Export CSV...", which saves the same table as CSV (the Order History on its tab, otherwise the
// History). Created once and hidden; closing it (or Escape) only hides it.
class THistoryWindow : public QWidget {
    Q_OBJECT
public:
    THistoryWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // Rebuild the History / Order History text from Model, dated DateTime, scrolled to the start,
    // and its CSV as it stands now; the History text's also gives the chart Model's run.
    void FillHistory(const TSimulation& Model, const std::string& DateTime);
    void FillOrderHistory(const TSimulation& Model, const std::string& DateTime);
    // Both texts empty, showing "no run": the run they came from is gone.
    void ShowNoRun();
    // Shows the "History" tab with the focus on its text.
    void ShowHistoryTab();
    // The main window's replay period, marked on the chart; 0 marks none.
    void SetReplayPeriod(int Period);
    // From now on shows Document's runs: refilled after each while shown, "no run" after a
    // reset, and the replay's period marked on the chart.
    void Follow(const TModelDocument& Document);
    // Filled with the document's run, and shown on the History tab (Display History).
    void Open();

    const TTextLinesView& HistoryText() const { return *HistoryView_; }
    const TTextLinesView& OrderHistoryText() const { return *OrderHistoryView_; }
    THistoryChart& Chart() { return *Chart_; }

private slots:
    // Asks for a file ("Save History As", or "Save Order History As" on that tab) and writes the
    // tab's text to it with CR line ends; a failure is reported with the file's name and the reason.
    void SaveShownText();
    // Asks for a file ("Export History as CSV", or "Export Order History as CSV" on that tab) and
    // writes the table as CSV to it; a failure is reported with the file's name and the reason.
    void ExportShownCsv();

private:
    // Both texts from the document's run, dated now.
    void FillFromDocument();

    Dialogs& Messages_;
    FileDialogs& Files_;
    const TModelDocument* Document_ = nullptr;
    QTabWidget* Tabs_;
    TTextLinesView* HistoryView_;
    TTextLinesView* OrderHistoryView_;
    // Built with the texts, so that an export holds the run on screen even after another run.
    std::string HistoryCsv_;
    std::string OrderHistoryCsv_;
    THistoryChart* Chart_;
};
