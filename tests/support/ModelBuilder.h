#pragma once
#include <cstdint>

#include "engine/Simulation.h"
#include "engine/StageParams.h"

// Models for tests, benchmarks and fuzz targets, built through the model's public operations only.

// Appends a stage with the parameters P and its box at left X, top Y; returns its number, or 0
// (nothing added) when the model already has 25 stages. P.ProductIndex 0, the default, leaves
// the stage its own number as TSimulation::AddStage gives it (write product 0 afterwards with
// SetParam).
int AddStage(TSimulation& Model, const TStageParams& P = {}, int32_t X = 0, int32_t Y = 0);

// Changes some parameters of stage N: Edit receives a copy of them (TStageParams&), and the model
// takes the result in one write. REQUIRES: 1 <= N <= Model.NumStages().
template <typename TEdit>
void EditStage(TSimulation& Model, int N, TEdit&& Edit)
{
    TStageParams P = Model.Stage(N).Params();
    Edit(P);
    Model.SetStageParams(N, P);
}

// Appends SupplierNum to the supplier list of CustomerNum and CustomerNum to the customer list of
// SupplierNum, also when they list each other already: a link listed twice, as a model file can
// hold one (Link refuses it). False, with nothing changed, when a list is full or the numbers are
// not a supplier above its customer in the model.
bool AppendLink(TSimulation& Model, int SupplierNum, int CustomerNum);

// A retailer (stage 1, demand N(5, 2), base stock 20) whose one supplier (stage 2, capacity 3) is
// listed twice: the availability count takes its stock twice, so some periods come up short of
// raw material and the run warns ("No raw material ..."). False when the links could not be made.
bool BuildShortSupplyModel(TSimulation& Model);
