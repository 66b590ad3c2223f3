#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <list>
#include <string>
#include <vector>

#include "engine/StageParams.h"

class TSimulation;

// A second, deliberately plain implementation of a run: one object per order and per unit, every
// withdrawal, cost and observation taken one at a time, its own random generator. The engine keeps
// runs of identical units and takes shortcuts that must not change any result; differential tests
// run both on the same model and compare every history entry and statistic to the last bit.
//
// The reference copies what it needs from a TSimulation when it is constructed (parameters, links,
// the "Service Time >= CST" option and every stage's carried-over forecast) and never touches the
// model again, so it must be built from the model as it stands before the engine run it is
// compared with.

// One series of observations, fed one observation at a time.
struct TRefAccumulator {
    int64_t Count = 0;
    double Sum = 0;
    double SumSq = 0;
    double Min = 1e300;   // sentinels while Count is 0
    double Max = -1e300;
    double Last = 0;

    void Add(double X);
};

// Counts of service times. Starts with 10 buckets and grows to exactly what an observation needs.
struct TRefHistogram {
    std::vector<int64_t> Counts = std::vector<int64_t>(10, 0);
    int64_t Used = 0;
    int64_t Total = 0;
    int64_t MaxCount = 0;

    // REQUIRES: K >= 0.
    void Add(int64_t K);
};

// An order waiting in a stage's demand list.
struct TRefOrder {
    bool Seen = false;
    int32_t CustomerKey = 0;  // ordering stage's number, 0 for external demand
    int32_t Period = 0;       // period in which it was placed
};

// A unit in a pipeline or on hand.
struct TRefUnit {
    int32_t Ordered = 0;  // period in which it was ordered
    int32_t Start = 0;    // period its processing started; RefNotStarted until then
    int32_t Delay = 0;    // periods added by failures
};

inline constexpr int32_t RefInf = 2000000000;  // INF of the integer parameters
inline constexpr int32_t RefNotStarted = 2000000000;

// One stage of the reference: parameters, links by stage number, groups, queues and results.
// Every array numbered from 1 keeps an unused entry 0.
struct TRefStage {
    int32_t StageNum = 0;
    TStageParams P;  // copied from the engine's stage
    std::vector<int> Suppliers{0};  // stage numbers in link order, duplicates kept
    std::vector<int> Customers{0};

    std::vector<int32_t> RawMatProduct{0};
    std::vector<std::vector<int>> RawMatSuppliers{{}};  // [g][k], cheapest first

    // Demand limit of a trailing window of n periods, by n; filled as windows grow. A pure
    // function of the parameters, kept only to spare the long double work on long runs.
    std::vector<int64_t> WindowLimit{0};

    std::list<TRefOrder> DemandList;
    std::list<TRefUnit> Pipeline;
    std::deque<TRefUnit> Outbox;
    double Forecast = 0;

    // History, indexed by period 0..NumPeriods.
    std::vector<double> TotalCostHist;
    std::vector<int64_t> DemandHist;  // empty unless DemandMean > 0
    std::vector<int64_t> DerivedDemandHist;
    std::vector<int64_t> NetInvHist;
    std::vector<std::vector<std::vector<int64_t>>> OrderQtyHist;  // [t][g][k], [t][0][0] own order
    std::vector<int64_t> OnOrderHist;
    std::vector<int64_t> InProcessHist;
    std::vector<bool> FailedHist;

    std::array<TRefAccumulator, 16> Stats;  // indexed like TMetric 0..15
    TRefHistogram ServTime;

    int NumRawMaterials() const { return static_cast<int>(RawMatProduct.size()) - 1; }
    int64_t InvLevel() const { return static_cast<int64_t>(Outbox.size()); }
    int64_t Backorders() const { return static_cast<int64_t>(DemandList.size()); }
    int64_t OnOrder() const { return static_cast<int64_t>(Pipeline.size()); }
    int64_t InProcess() const;
    // Orders of CustomerKey still waiting in DemandList.
    int64_t WaitingOrders(int32_t CustomerKey) const;
};

class TUnitByUnitModel {
public:
    // Copies the model's stages, links, option and forecasts.
    explicit TUnitByUnitModel(const TSimulation& Model);

    // Runs NumPeriods periods from empty queues with initial inventory by policy, the generator
    // seeded with Seed. REQUIRES: 1 <= WarmUp <= NumPeriods, Seed > 0, not started before.
    void Start(int32_t NumPeriods, int32_t WarmUp, uint32_t Seed);
    // Start without the periods, for tests that look at the queues between periods: Begin, then
    // SimulatePeriod NumPeriods times, is the same run as Start.
    void Begin(int32_t NumPeriods, int32_t WarmUp, uint32_t Seed);
    // One period. REQUIRES: Begin called, Period() < its NumPeriods.
    void SimulatePeriod();

    int NumStages() const { return static_cast<int>(Stages_.size()) - 1; }
    // REQUIRES: 1 <= N <= NumStages().
    const TRefStage& Stage(int N) const { return Stages_[static_cast<std::size_t>(N)]; }
    int32_t Period() const { return Period_; }
    // Every message shown during the run, in order.
    const std::vector<std::string>& Messages() const { return Messages_; }

private:
    TRefStage& S(int N) { return Stages_[static_cast<std::size_t>(N)]; }

    double Uniform();
    double Normal(double Mean, double SD);
    int64_t DrawDemand(TRefStage& St, int32_t T);
    bool DrawFailure(const TRefStage& St, int32_t T);

    void PopulateRawMaterials(TRefStage& St);
    void AddDemand(TRefStage& St, int64_t Count, int32_t CustomerKey, int32_t T);
    bool IsFailed(const TRefStage& St, int32_t T) const;
    int64_t GetInvAvail(const TRefStage& St, int32_t T, int32_t CustomerKey) const;
    std::list<TRefOrder>::iterator MatchOrderItem(TRefStage& St, bool PeriodCondition, int32_t Limit,
                                                  int32_t CustomerKey);
    // True when a unit was shipped; Late is then its lateness against the supplier's CST.
    bool RemoveFromOutbox(TRefStage& St, int32_t T, int32_t CustomerKey, bool RecordStats, int64_t& Late);
    void RequestProcessing(TRefStage& St, int32_t T);
    void DoProcessing(TRefStage& St, int32_t T, bool Failed, bool RecordStats);
    int64_t PolicyOrderQty(TRefStage& St, int32_t T, int64_t IP, int64_t NewDemand);
    double MeanEchelonDemand(const TRefStage& St) const;

    std::vector<TRefStage> Stages_;
    bool ForceCST_ = false;
    int32_t WarmUp_ = 0;
    int32_t Period_ = 0;
    uint32_t RandSeed_ = 0;
    std::vector<std::string> Messages_;
};
