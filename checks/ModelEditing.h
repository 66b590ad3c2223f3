#pragma once
#include <cstdint>
#include <optional>

#include "engine/RunSettings.h"
#include "engine/Simulation.h"

class Dialogs;

// The main window's rules for changing the model and for showing a run, so that the window only
// wires them to its controls. Questions and refusals go through Messages.

// Where the box of a new stage goes on the diagram, in pixels from its top left corner.
struct TBoxPosition {
    int32_t Left = 0;
    int32_t Top = 0;
};

// Stage StageNum's box 10 pixels right of and below the one before: (10 N + 40, 10 N + 90).
TBoxPosition NewBoxPosition(int StageNum);

// The diagram's surface and its square boxes, in pixels.
struct TDiagramArea {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BoxSize = 0;
};

// Where stage StageNum's new box goes so that it covers no box of Model: NewBoxPosition when that
// place keeps a gap of BoxGap pixels to every box, else the nearest place on a 10-pixel grid
// inside Area that does (the highest, then the leftmost, of equally near ones), else
// NewBoxPosition all the same.
TBoxPosition FreeBoxPosition(const TSimulation& Model, int StageNum, const TDiagramArea& Area);
inline constexpr int32_t BoxGap = 20;

// What New Stage may do.
struct TNewStagePlan {
    bool Allowed = false;   // add stage NumStages() + 1
    bool RunReset = false;  // the run was reset on the way: there is nothing left to replay
    TBoxPosition Box;       // where its box goes (FreeBoxPosition), when Allowed
};

// Before New Stage adds a stage: a model of MaxStages stages refuses with an error box; a model
// that has run asks "... Reset current simulation and add stage?", and Yes resets the run (No
// allows nothing). Adds nothing itself: the caller adds the stage and places its box at Box.
TNewStagePlan PrepareNewStage(TSimulation& Model, Dialogs& Messages, const TDiagramArea& Area);

// What linking two stages did.
struct TLinkOutcome {
    bool Linked = false;
    bool RunReset = false;  // the run was reset on the way: there is nothing left to replay
};

// Links Supplier as a supplier of Customer, as a drop of one box on the other asks: a link the
// model refuses shows LinkRefusalText as an error box and nothing more; a model that has run
// asks "... Reset current simulation and add link?" (a run's order history is laid out by the
// links at its start), and only Yes resets the run and links.
TLinkOutcome LinkChecked(TSimulation& Model, int SupplierNum, int CustomerNum, Dialogs& Messages);

// Clear All: asks "Are you sure you want to erase your model?"; Yes clears the model (no stages,
// no run) and returns true.
bool ClearChecked(TSimulation& Model, Dialogs& Messages);

// What the run command leaves to show.
struct TRunOutcome {
    std::optional<TCostTotals> Costs;  // the run's totals; nothing when no run took place
    int32_t NumPeriods = 0;            // the run's length, when it took place
    bool RunReset = false;             // no run took place, and the one before was reset: nothing to replay
};

// The main window's run command: RunChecked, and what the window shows afterwards. A Yes to the
// re-run question resets the run before the checks, so a refusal then leaves no run to replay.
TRunOutcome RunCommand(TSimulation& Model, const TRunSettingsTexts& Texts, Dialogs& Messages);

// The replay's slider: the periods it offers, the one it shows, its tick interval, and whether
// there is a run to replay. The default is the idle slider of a model without a run.
struct TReplayRange {
    int32_t First = 0;
    int32_t Last = 10;
    int32_t Shown = 0;
    int32_t TickInterval = 1;
    bool Active = false;
};

// After a run of NumPeriods periods: periods 1 to NumPeriods, the last one shown, a tick every
// tenth of the run. REQUIRES: NumPeriods >= 1.
TReplayRange ReplayOfRun(int32_t NumPeriods);
