#pragma once
#include <string>
#include <vector>

#include <QWidget>

#include "batch/ParamSet.h"
#include "batch/PrepareBatch.h"
#include "engine/RunSettings.h"

class Dialogs;
class FileDialogs;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TBatchChart;
class TMainWindow;
class TBatchOptionsWindow;
class TOptimiseWindow;

// "Batch Runs": defines a batch by two sweep rows or a parameter values file,
// runs it on the main window's model with "&Go" and appends its results to an editable text box,
// which "&Write Model" adds the parameter table to and "&Save Text" saves; "&Export CSV..." saves
// the results table of the last batch as CSV; a chart beside the text plots the latest batch as
// its settings finish. Created once and hidden; the main window's "&Batch Runs..." shows it,
// modeless. What the user typed stays between batches.
class TBatchRunsWindow : public QWidget {
    Q_OBJECT
public:
    TBatchRunsWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);

    // The reporting options window that "&Options..." shows and whose marks choose the columns.
    void AttachOptions(TBatchOptionsWindow& Options);
    // From now on works on Main's model and run settings; shows the window.
    void ShowFor(TMainWindow& Main);

    // The results text, line by line (no line for an empty text).
    std::vector<std::string> ResultLines() const;
    // Before results would be lost: none unsaved, or "Save changes to the batch results?"
    // answered Discard, or Save and saved. False leaves them where they are.
    bool SettleUnsavedResults();
    const TBatchChart& Chart() const { return *Chart_; }

public slots:
    // The rows' controls are enabled in range mode, the file's in file mode.
    void UpdateControls();
    void ChooseValuesFile();
    void OpenOptions();
    // Checks the model and the run settings, builds the set, reads the number of trials and runs
    // the batch, appending its lines. A refusal shows its message; trials that are no integer
    // end it silently.
    void StartBatch();
    void WriteModel();
    void SaveResults();
    // Asks for a file and writes the last batch's results table to it as CSV; without a batch
    // since the window opened or its text was cleared, says there is none.
    void ExportResultsCsv();
    void ClearResults();
    // Shows the Optimise window for the same model (made on first use).
    void OpenOptimise();

private:
    // The controls of one sweep row.
    struct TRowControls {
        QComboBox* ParamList = nullptr;
        QLineEdit* FirstStageEdit = nullptr;
        QLineEdit* LastStageEdit = nullptr;
        QLineEdit* FirstValueEdit = nullptr;
        QLineEdit* LastValueEdit = nullptr;
        QLineEdit* StepEdit = nullptr;
        std::vector<QWidget*> All;  // labels too: what UpdateControls enables
    };

    QWidget* BuildDefinitionPanel();
    QWidget* BuildCommandPanel();
    void BuildRow(int N, const char* Caption, QGridLayout& Grid, int GridRow);
    // "[none]" and the 45 long parameter names in each list, "[none]" selected.
    void FillParamLists();
    TSweepRow TypedRow(int N) const;
    // What the window holds for a batch, as typed.
    TBatchRequest Request() const;
    void RunDefinedBatch(const TParamSet& Set, int32_t NumTrials, const TRunSettings& Settings,
                         const TRunSettingsTexts& Texts);
    void AppendLines(const std::vector<std::string>& Lines);
    // Save Text: true when the results were saved.
    bool SaveResultsChosen();

    Dialogs& Messages_;
    FileDialogs& Files_;
    char DecimalSep_;
    TMainWindow* Main_ = nullptr;
    TBatchOptionsWindow* Options_ = nullptr;
    TOptimiseWindow* Optimise_ = nullptr;

    QRadioButton* RangeModeButton_ = nullptr;
    QRadioButton* FileModeButton_ = nullptr;
    TRowControls Rows_[2];
    std::vector<QWidget*> FileControls_;
    QLineEdit* ValuesFileEdit_ = nullptr;
    QLineEdit* NumTrialsEdit_ = nullptr;
    QProgressBar* SettingsProgress_ = nullptr;
    QPlainTextEdit* ResultsView_ = nullptr;
    std::vector<std::string> CsvRecords_;  // of the last batch, header first; empty before any
    TBatchChart* Chart_ = nullptr;
};
