#pragma once
#include <string>

#include <QWidget>

#include "engine/RunSettings.h"
#include "engine/Simulation.h"

class Dialogs;
class FileDialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTableWidget;
class TDiagramView;
class THistoryWindow;
class TParamGrid;
class TStatsWindow;
struct TReplayRange;
class TBatchRunsWindow;

// The main window (MainForm): owner of the one model for the life of the program. Its handlers
// gather input, call one core operation and show the result; messages go through Dialogs and
// file choices through FileDialogs, both given at construction.
class TMainWindow : public QWidget {
    Q_OBJECT
public:
    TMainWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent = nullptr);
    ~TMainWindow() override;

    // The windows that Display Stats, Display History and Batch Runs fill and show.
    void AttachWindows(TStatsWindow& Stats, THistoryWindow& History, TBatchRunsWindow& TestValues);
    // Loads the model file at Path in place of the model, as the Load command does after its
    // dialog (and as `orvantis MODEL` does at start); Path becomes LastOpenFileName().
    void LoadModelFile(const std::string& Path);

    TSimulation& Model() { return Model_; }
    const TSimulation& Model() const { return Model_; }
    // The stage whose parameters the grid shows; 0 when none.
    int SelectedStage() const { return SelectedStage_; }
    // The model file last loaded, even when loading it failed; empty while none has been.
    const std::string& LastOpenFileName() const { return LastOpenFileName_; }
    TDiagramView& Diagram() { return *Panel2_; }

    // What a batch takes from this window and shows in it.
    // The run settings as typed in their boxes.
    TRunSettingsTexts RunSettingsTexts() const;
    // A finished run of NumPeriods periods, as the run command shows it: the cost totals, the
    // track bar at the last period, the selected stage and the diagram in that period.
    void ShowRun(const TCostTotals& Costs, int32_t NumPeriods);
    // The grid and the diagram again, in the period the track bar shows (after parameters changed).
    void RefreshDisplays();

public slots:
    void BtnNewStageClick();
    void BtnRunSimClick();
    void BtnDisplayStatsClick();
    void BtnDisplayHistoryClick();
    void BtnMultipleParamValuesClick();
    void BtnResetSimClick();
    void BtnClearClick();
    void BtnSaveClick();
    void BtnLoadClick();
    void ChkForceCSTClick();
    void TrackPeriodChange(int Period);
    // Selects the stage (a click on its box, New Stage, Load): the grid shows it and takes entries.
    void StaticTextClick(int StageNum);

private slots:
    void ListParamsEntered(int Index, double Value);
    void StageMoved(int StageNum, int Left, int Top);
    void LinkRequested(int SupplierNum, int CustomerNum);

private:
    void BuildLeftColumn();
    void BuildCommandPanel();
    // The track bar and its label as Replay says.
    void SetReplay(const TReplayRange& Replay);
    void ResetTrackPeriod();
    // The period the track bar shows (0 while it is idle).
    int32_t ShownPeriod() const;
    // The selected stage's parameters into the grid and its measures for Period into the list.
    void UpdateValueLists(int32_t Period);
    // The diagram for Period.
    void DrawAll(int32_t Period);
    // The selected stage and the diagram in Period.
    void ShowPeriod(int32_t Period);
    // No run to replay: the track bar idle, the selected stage and the diagram as the model stands.
    void ShowNoRun();
    // No stage selected: the grid shows its default texts and is disabled.
    void SelectNothing();
    void SetCostLabels(const TCostTotals& Costs);
    void AddStageBox(int StageNum);

    Dialogs& Messages_;
    FileDialogs& Files_;
    TSimulation Model_;
    int SelectedStage_ = 0;
    std::string LastOpenFileName_;
    char DecimalSep_;
    TStatsWindow* Stats_ = nullptr;
    THistoryWindow* History_ = nullptr;
    TBatchRunsWindow* TestValues_ = nullptr;

    QLabel* LabelStageName_ = nullptr;
    QPushButton* BtnNewStage_ = nullptr;
    TParamGrid* ListParams_ = nullptr;
    QTableWidget* ListMeasures_ = nullptr;
    QLabel* CostLabels_[5] = {};
    TDiagramView* Panel2_ = nullptr;
    QCheckBox* ChkForceCST_ = nullptr;
    QLineEdit* EditNumPeriods_ = nullptr;
    QLineEdit* EditWarmUp_ = nullptr;
    QLineEdit* EditRandSeed_ = nullptr;
    QSlider* TrackPeriod_ = nullptr;
    QLabel* LblPeriod_ = nullptr;
};
