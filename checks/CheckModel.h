#pragma once
#include <optional>
#include <string>
#include <vector>

class Dialogs;
class TSimulation;

// The checks before a run, in this order, each tested over all stages and shown at most once:
//  1. no stage at all: error box, false;
//  2. an "(R,Q)" stage whose Q is below 1, which could never order: error box naming the first
//     such stage, false;
//  3. a negative Proc Time, Proc Capac, Com Serv Time or Dem StdDev, or a Failure Prob or Recovery
//     Prob outside [0,1]: error box naming the first such stage and parameter, false;
//  4. capacity 0 with echelon demand above 0; fixed cost > 0 without customers; product cost > 0
//     without customers; mean demand in (0, 1); positive mean and SD with a demand bound of 0; a
//     negative cost: each a Yes/No question, and No returns false at once without asking further.
// True when the run may go ahead. Reads the model only.
bool CheckModel(const TSimulation& Model, Dialogs& Messages);

// The refusals of CheckModel (1 to 3) alone, without a question: the text of the first that
// fires, or nothing when the model may run. A batch puts each setting through these.
std::optional<std::string> ModelRefusal(const TSimulation& Model);
// Every refusal of CheckModel (1 to 3), in the order the checks meet them; empty when the model
// may run. How far a model is from one that may run: the optimiser walks a refused point of its
// grid to one that passes by lowering their number.
std::vector<std::string> ModelRefusals(const TSimulation& Model);
