#include "engine/StreamConsumption.h"

#include "engine/Random.h"
#include "engine/Simulation.h"

int DemandStageCount(const TSimulation& Model)
{
    // Stages with demand draw in stage order, all before the failure draws: only their number
    // matters.
    int DemandStages = 0;
    for (int N = 1; N <= Model.NumStages(); ++N) {
        DemandStages += Model.Stage(N).Params().DemandMean > 0 ? 1 : 0;
    }
    return DemandStages;
}

uint32_t StreamAfterRun(const TSimulation& Model, uint32_t State, int32_t NumPeriods)
{
    return StreamAfterPeriods(Model.NumStages(), DemandStageCount(Model), State, NumPeriods);
}

uint32_t StreamAfterPeriods(int NumStages, int DemandStages, uint32_t State, int32_t NumPeriods)
{
    // The failure draws of a period, as one affine step x -> A x + C.
    const uint32_t C = TRandom::Advance(0, static_cast<uint64_t>(NumStages));
    const uint32_t A = TRandom::Advance(1, static_cast<uint64_t>(NumStages)) - C;
    for (int32_t P = 0; P < NumPeriods; ++P) {
        for (int K = 0; K < DemandStages; ++K) {
            uint32_t First = 0;
            do {
                First = TRandom::NextState(State);
                State = TRandom::NextState(First);
            } while (!TRandom::PolarAccepts(First, State));
        }
        State = A * State + C;
    }
    return State;
}
