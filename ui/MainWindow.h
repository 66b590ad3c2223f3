#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

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
class TModelDocument;
class TParamGrid;
struct TReplayRange;

// The main window: the document's model on screen (stages, parameter grid, diagram, run settings,
// costs and the replay). Its handlers gather input, call one operation of the document and leave
// the showing to the document's signals; messages go through Dialogs and file choices through
// FileDialogs. The other windows are opened by its requests, which the program wires.
class TMainWindow : public QWidget {
    Q_OBJECT
public:
    TMainWindow(TModelDocument& Document, Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);
    ~TMainWindow() override;

    // Loads the model file at Path in place of the model, as the Load command does after its
    // dialog (and as `orvantis MODEL` does at start).
    void LoadModelFile(const std::string& Path);

    const TSimulation& Model() const;
    TModelDocument& Document() { return Document_; }
    // The stage whose parameters the grid shows; 0 when none.
    int SelectedStage() const { return SelectedStage_; }
    TDiagramView& Diagram() { return *Diagram_; }

    // Before the window closes with work under way: stops it (true) or keeps the window (false).
    void SetStopWork(std::function<bool()> StopWork) { StopWork_ = std::move(StopWork); }
    // After the model's unsaved changes were settled: whether the other windows let it close.
    void SetSettleOthers(std::function<bool()> SettleOthers) { SettleOthers_ = std::move(SettleOthers); }

signals:
    void StatsRequested();
    void HistoryRequested();
    void BatchRunsRequested();
    // The window closes: the others go with it.
    void Closing();

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
    // Work under way is stopped first (or the window stays), then unsaved changes are settled
    // (Save, Discard or Cancel, for the model and for the batch results); the other windows close
    // with this one.
    void closeEvent(QCloseEvent* Event) override;

private slots:
    // A valid entry in the grid, for the selected stage's parameter Index.
    void SetSelectedStageParam(int Index, double Value);
    // A box dropped at Left, Top of the diagram.
    void MoveStage(int StageNum, int Left, int Top);
    // A box dropped on another: Supplier becomes a supplier of Customer, if the rules allow.
    void LinkStages(int SupplierNum, int CustomerNum);

private:
    QWidget* BuildLeftColumn();
    QWidget* BuildCommandPanel();
    // The document's signals, shown.
    void ShowModelChanged();
    void ShowModelReplaced();
    void ShowRunFinished();
    void ShowCosts();
    void ShowBusy(bool Busy);
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
    // The selected stage and the diagram in Period.
    void ShowPeriod(int32_t Period);
    // No run to replay: the replay slider idle, the selected stage and the diagram as the model stands.
    void ShowNoRun();
    // No stage selected: the grid shows its default texts and is disabled.
    void SelectNothing();
    void AddStageBox(int StageNum);
    // The title: the model file's name with the modified mark, and the program's.
    void ShowTitle();
    // Before unsaved model changes would be lost: nothing to ask when there are none; else
    // "Save changes to NAME?" and true for Discard, or for Save when the model was saved.
    bool SettleUnsavedModel();
    // Saves the model to the file it came from, or to one the user chooses when it has none
    // (or AskName); true when it was saved.
    bool SaveModelChosen(bool AskName);
    // The run settings as typed, into the document.
    void StoreRunSettings();

    TModelDocument& Document_;
    Dialogs& Messages_;
    FileDialogs& Files_;
    int SelectedStage_ = 0;
    char DecimalSep_;
    std::function<bool()> StopWork_;
    std::function<bool()> SettleOthers_;
    // What the document's busy state disables: every control that would change the model.
    std::vector<QWidget*> ModelControls_;

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
