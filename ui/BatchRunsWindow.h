#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "batch/ParamSet.h"
#include "batch/PrepareBatch.h"
#include "engine/RunSettings.h"
#include "engine/Simulation.h"

class Dialogs;
class FileDialogs;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TBackgroundRunner;
class TBatchChart;
class TModelDocument;
class TReportOptions;

// "Batch Runs": defines a batch by two sweep rows or a parameter values file, runs it on the
// document's model with "&Go", off the window thread, and appends its results to an editable text
// box as they come; "&Stop" ends it after the setting under way. "&Write Model" adds the parameter
// table to the text and "&Save Text" saves it; "&Export CSV..." saves the results table of the
// last batch as CSV; a chart beside the text plots the latest batch as its settings finish.
// Created once and hidden; the main window's "&Batch Runs..." shows it, modeless. What the user
// typed stays between batches.
class TBatchRunsWindow : public QWidget {
    Q_OBJECT
public:
    TBatchRunsWindow(TModelDocument& Document, Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);
    ~TBatchRunsWindow() override;

    // The reporting options whose marks choose the columns (the options window's).
    void SetOptions(std::function<const TReportOptions&()> Options) { Options_ = std::move(Options); }
    // Whether a batch is under way.
    bool Running() const;
    // Stops the batch under way, if any, and waits for it: its model is back in the document.
    void StopAndWait();

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
    // Ends the batch after the setting under way.
    void StopBatch();
    // Shows the window (the main window's "&Batch Runs...").
    void Open();

signals:
    // "&Options..." and "O&ptimise...": the windows that the program wires to them.
    void OptionsRequested();
    void OptimiseRequested();

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
    // Starts the prepared batch on a copy of the document's model, on the runner's thread.
    void RunDefinedBatch(const TParamSet& Set, int32_t NumTrials, const TRunSettings& Settings,
                         const TRunSettingsTexts& Texts);
    // On the window thread once the batch has returned: its model back to the document, the
    // controls as before, a note when it was stopped, the message of a failure.
    void FinishBatch(const QString& Failure);
    void AppendLines(const std::vector<std::string>& Lines);
    // Save Text: true when the results were saved.
    bool SaveResultsChosen();

    TModelDocument& Document_;
    Dialogs& Messages_;
    FileDialogs& Files_;
    char DecimalSep_;
    std::function<const TReportOptions&()> Options_;
    TBackgroundRunner* Runner_ = nullptr;

    // The batch under way: its model, and what its thread leaves for the window thread to read
    // once it has returned.
    std::unique_ptr<TSimulation> BatchModel_;
    int32_t BatchPeriods_ = 0;
    int32_t BatchSettings_ = 0;
    std::optional<TCostTotals> LastTrial_;
    std::vector<std::string> Warnings_;
    int32_t SettingsDone_ = 0;
    bool Stopped_ = false;

    QRadioButton* RangeModeButton_ = nullptr;
    QRadioButton* FileModeButton_ = nullptr;
    TRowControls Rows_[2];
    std::vector<QWidget*> FileControls_;
    QLineEdit* ValuesFileEdit_ = nullptr;
    QLineEdit* NumTrialsEdit_ = nullptr;
    QProgressBar* SettingsProgress_ = nullptr;
    QPushButton* StartButton_ = nullptr;
    QPushButton* StopButton_ = nullptr;
    QPlainTextEdit* ResultsView_ = nullptr;
    std::vector<std::string> CsvRecords_;  // of the last batch, header first; empty before any
    TBatchChart* Chart_ = nullptr;
};
