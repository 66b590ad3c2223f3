#pragma once
#include <string>

#include <QWidget>

#include "engine/RunSettings.h"
#include "engine/Simulation.h"

class Dialogs;
class FileDialogs;
class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTableWidget;
class TDiagramView;
class THistoryWindow;
class TParamGrid;
class TBatchRunsWindow;
class TStatsWindow;
struct TReplayRange;

// The main window: owner of the one model for the life of the program. Its handlers
// gather input, call one core operation and show the result; messages go through Dialogs and
// file choices through FileDialogs, both given at construction.
class TMainWindow : public QWidget {
    Q_OBJECT
public:
    TMainWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);
    ~TMainWindow() override;

    // The windows that Display Stats, Display History and Batch Runs fill and show.
    void AttachWindows(TStatsWindow& Stats, THistoryWindow& History, TBatchRunsWindow& BatchRuns);
    // Loads the model file at Path in place of the model, as the Load command does after its
    // dialog (and as `orvantis MODEL` does at start); Path becomes LastOpenFileName().
    void LoadModelFile(const std::string& Path);

    TSimulation& Model() { return Model_; }
    const TSimulation& Model() const { return Model_; }
    // The stage whose parameters the grid shows; 0 when none.
    int SelectedStage() const { return SelectedStage_; }
    // The model file last loaded, even when loading it failed; empty while none has been.
    const std::string& LastOpenFileName() const { return LastOpenFileName_; }
    // The file the model was last loaded from or saved to; empty for a new or cleared model.
    const std::string& ModelFileName() const { return ModelFileName_; }
    TDiagramView& Diagram() { return *Diagram_; }

    // What a batch takes from this window and shows in it.
    // The run settings as typed in their boxes.
    TRunSettingsTexts RunSettingsTexts() const;
    // Where a run shown comes from: the run command, a batch's setting while the batch goes on,
    // or the last trial of a finished batch.
    enum class TRunShown { Run, BatchSetting, BatchEnd };
    // A finished run of NumPeriods periods, as the run command shows it: the cost totals, the
    // replay slider at the last period, the selected stage and the diagram in that period. A
    // batch's trial is captioned as such; open statistics and history windows are refilled,
    // except while a batch goes on.
    void ShowRun(const TCostTotals& Costs, int32_t NumPeriods, TRunShown Shown = TRunShown::Run);
    // The grid, the diagram and the title again, in the period the replay slider shows (after
    // parameters changed).
    void RefreshDisplays();

public slots:
    void NewStage();
    void RunSimulation();
    void DisplayStats();
    void DisplayHistory();
    void OpenBatchRuns();
    void ResetRun();
    void EraseModel();
    void SaveModelAs();
    void OpenModel();
    void ApplyForceCST();
    // Period of the run on the diagram and in the selected stage's measures (the replay slider).
    void ShowReplayPeriod(int Period);
    // Selects the stage (a click on its box, New Stage, Load): the grid shows it and takes entries.
    void SelectStage(int StageNum);

protected:
    // Unsaved changes are settled first (Save, Discard or Cancel, for the model and for the batch
    // results); the other windows close with this one.
    void closeEvent(QCloseEvent* Event) override;

private slots:
    // A valid entry in the grid, for the selected stage's parameter Index.
    void SetSelectedStageParam(int Index, double Value);
    // A box dropped at Left, Top of the diagram.
    void MoveStage(int StageNum, int Left, int Top);
    // A box dropped on another: Supplier becomes a supplier of Customer, if the rules allow.
    void LinkStages(int SupplierNum, int CustomerNum);

private:
    void BuildLeftColumn();
    void BuildCommandPanel();
    // The replay slider and its label as Replay says.
    void SetReplay(const TReplayRange& Replay);
    // The idle replay of a model without a run.
    void ResetReplay();
    // The period the replay slider shows (0 while it is idle).
    int32_t ShownPeriod() const;
    // The selected stage's parameters into the grid and its measures for Period into the list.
    void ShowSelectedStage(int32_t Period);
    // The diagram for Period.
    void DrawDiagram(int32_t Period);
    // The selected stage and the diagram in Period, and Period marked on the history chart.
    void ShowPeriod(int32_t Period);
    // No run to replay: the replay slider idle, the selected stage and the diagram as the model stands.
    void ShowNoRun();
    // No stage selected: the grid shows its default texts and is disabled.
    void SelectNothing();
    void ShowCosts(const TCostTotals& Costs);
    // Blank cost labels: no run stands behind them.
    void ShowNoCosts();
    void AddStageBox(int StageNum);
    // The title: the model file's name with the modified mark, and the program's.
    void ShowTitle();
    // Before unsaved model changes would be lost: nothing to ask when there are none; else
    // "Save changes to NAME?" and true for Discard, or for Save when the model was saved.
    bool SettleUnsavedModel();
    // Saves the model to the file it came from, or to one the user chooses when it has none
    // (or AskName); true when it was saved.
    bool SaveModelChosen(bool AskName);
    // The model into an empty window, as Clear All leaves it.
    void ShowClearedModel();

    Dialogs& Messages_;
    FileDialogs& Files_;
    TSimulation Model_;
    int SelectedStage_ = 0;
    std::string LastOpenFileName_;
    std::string ModelFileName_;
    char DecimalSep_;
    TStatsWindow* Stats_ = nullptr;
    THistoryWindow* History_ = nullptr;
    TBatchRunsWindow* BatchRuns_ = nullptr;

    QLabel* SelectedStageLabel_ = nullptr;
    QPushButton* NewStageButton_ = nullptr;
    TParamGrid* ParamGrid_ = nullptr;
    QTableWidget* MeasuresTable_ = nullptr;
    QGroupBox* CostsBox_ = nullptr;
    QLabel* CostLabels_[5] = {};
    TDiagramView* Diagram_ = nullptr;
    QCheckBox* ForceCSTCheck_ = nullptr;
    QLineEdit* NumPeriodsEdit_ = nullptr;
    QLineEdit* WarmUpEdit_ = nullptr;
    QLineEdit* RandSeedEdit_ = nullptr;
    QSlider* PeriodSlider_ = nullptr;
    QLabel* PeriodLabel_ = nullptr;
};
