#pragma once
#include <optional>

#include "engine/RunSettings.h"
#include "engine/Simulation.h"

class Dialogs;

// The checks before a run or a batch, in the main window's order: the model checks (CheckModel,
// whose questions go through Messages), then the run settings, whose refusal is shown as an error
// box. True, with Settings filled, when a run may go ahead. Changes nothing in the model.
bool CheckRunAllowed(const TSimulation& Model, const TRunSettingsTexts& Texts, Dialogs& Messages,
                     TRunSettings& Settings);

// The main window's run command: a model that has run first refuses run settings or a model that
// could not run (ModelRefusal) with an error box and nothing changed, then asks "Reset current
// simulation and re-run?" (No: nothing happens; Yes: the run is reset), then CheckRunAllowed,
// then the run, and once it has ended each of its warnings (RunWarnings) as an error box. The cost
// totals of the run, or nothing when it did not take place. Used receives the settings of the run.
std::optional<TCostTotals> RunChecked(TSimulation& Model, const TRunSettingsTexts& Texts, Dialogs& Messages,
                                      TRunSettings* Used = nullptr);
