#pragma once
#include <cstdint>

class TSimulation;

// What a run draws from its generator depends only on the model's structure, never on an
// inventory decision: per period the polar attempts of every stage with DemandMean > 0, in stage
// order, then one uniform draw per stage for failures. So where a run leaves the generator can be
// found without simulating, and the trials of a batch can start anywhere with the state the one
// random sequence would have there.

// The number of stages with DemandMean > 0: what a period draws depends on it alone.
int DemandStageCount(const TSimulation& Model);

// The generator state after a run of NumPeriods periods of Model that starts from State.
uint32_t StreamAfterRun(const TSimulation& Model, uint32_t State, int32_t NumPeriods);

// The same for a model of NumStages stages of which DemandStages have DemandMean > 0.
uint32_t StreamAfterPeriods(int NumStages, int DemandStages, uint32_t State, int32_t NumPeriods);
