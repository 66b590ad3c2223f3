#pragma once
#include <cstdint>

#include <benchmark/benchmark.h>

#include "engine/Simulation.h"

// Builds the 25-stage benchmark network into an empty model: ten retailers with external demand
// and finite demand bounds, eight distribution centres (some retailers have two alternative
// centres of different cost and capacity), seven plants feeding several raw materials; every
// policy ("None", "BS", "(R,Q)", "(s,S)", "OQ") occurs; some stages fail and recover. Every
// volume (demand means and deviations, stock levels, capacities, order bounds) is multiplied by
// Scale.
void BuildNetwork25(TSimulation& Model, int64_t Scale);

// A serial chain of 5 base-stock stages with external demand at stage 1.
void BuildSerialChain5(TSimulation& Model);

// Peak resident memory of this process so far, in MiB.
double PeakMemoryMiB();

// Times 9999-period runs (warm-up 100, seed 12345) of BuildNetwork25(Scale), the model reset
// before each, its draws made as Mode says; reports the run's total cost and this process's peak
// memory.
void BenchNetwork25(benchmark::State& State, int64_t Scale,
                    TSimulation::TDrawMode Mode = TSimulation::TDrawMode::AheadWhenItPays);
