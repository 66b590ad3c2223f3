#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "engine/Stage.h"
#include "stats/Stats.h"
#include "support/ModelBuilder.h"
#include "support/UnitByUnitModel.h"

// The engine against TUnitByUnitModel, an independent one-object-per-unit implementation of the
// same period steps: every history entry, accumulator field and histogram bucket must agree to
// the last bit, and the messages shown must be the same.

namespace {

constexpr int32_t Inf = 2000000000;
constexpr double Third = 1.0 / 3.0;

bool Same(double A, double B) { return std::bit_cast<uint64_t>(A) == std::bit_cast<uint64_t>(B); }
bool Same(int64_t A, int64_t B) { return A == B; }

std::string Show(double X)
{
    char Buf[40];
    std::snprintf(Buf, sizeof Buf, "%.17g", X);
    return Buf;
}
std::string Show(int64_t X) { return std::to_string(X); }

// Builds "where: engine E, reference R" and remembers only the first one.
class TFirstDiff {
public:
    template <typename T>
    bool Check(const std::string& Where, T Engine, T Ref)
    {
        if (Text_.empty() && !Same(Engine, Ref)) {
            Text_ = Where + ": engine " + Show(Engine) + ", reference " + Show(Ref);
        }
        return Text_.empty();
    }
    bool Fail(const std::string& Text)
    {
        if (Text_.empty()) {
            Text_ = Text;
        }
        return false;
    }
    const std::string& Text() const { return Text_; }

private:
    std::string Text_;
};

std::string At(int N, int32_t T, const char* Field)
{
    return "stage " + std::to_string(N) + " period " + std::to_string(T) + " " + Field;
}

// Everything that tells a run's result: the first difference, period by period, then the end
// state, the statistics and the warnings. Empty when the runs agree.
std::string FirstDifference(const TSimulation& Engine, const TUnitByUnitModel& Ref)
{
    TFirstDiff D;
    if (!D.Check("Period", int64_t{Engine.Period()}, int64_t{Ref.Period()}) ||
        !D.Check("NumStages", int64_t{Engine.NumStages()}, int64_t{Ref.NumStages()})) {
        return D.Text();
    }
    const int32_t T = Ref.Period();
    const auto Size = static_cast<int64_t>(T) + 1;
    for (int N = 1; N <= Ref.NumStages(); ++N) {
        const TStage& E = Engine.Stage(N);
        const TRefStage& R = Ref.Stage(N);
        const std::string Where = "stage " + std::to_string(N) + " ";
        D.Check(Where + "TotalCostHist size", static_cast<int64_t>(E.TotalCostHist().size()), Size);
        D.Check(Where + "DemandHist size", static_cast<int64_t>(E.DemandHist().size()),
                static_cast<int64_t>(R.DemandHist.size()));
        D.Check(Where + "DerivedDemandHist size", static_cast<int64_t>(E.DerivedDemandHist().size()), Size);
        D.Check(Where + "NetInvHist size", static_cast<int64_t>(E.NetInvHist().size()), Size);
        D.Check(Where + "OnOrderHist size", static_cast<int64_t>(E.OnOrderHist().size()), Size);
        D.Check(Where + "InProcessHist size", static_cast<int64_t>(E.InProcessHist().size()), Size);
        D.Check(Where + "FailedHist size", static_cast<int64_t>(E.FailedHist().size()), Size);
        D.Check(Where + "OrderQtyHist periods", int64_t{E.OrderQtyHist().Periods()}, int64_t{T});
        if (!D.Check(Where + "number of groups", int64_t{E.OrderQtyHist().NumGroups()}, int64_t{R.NumRawMaterials()})) {
            return D.Text();
        }
        for (int G = 1; G <= R.NumRawMaterials(); ++G) {
            const auto& Group = R.RawMatSuppliers[static_cast<std::size_t>(G)];
            const std::string W = Where + "group " + std::to_string(G) + " ";
            D.Check(W + "product", int64_t{E.OrderQtyHist().GroupProduct(G)},
                    int64_t{R.RawMatProduct[static_cast<std::size_t>(G)]});
            if (!D.Check(W + "supplier count", int64_t{E.OrderQtyHist().NumSuppliers(G)},
                         static_cast<int64_t>(Group.size()) - 1)) {
                return D.Text();
            }
            for (std::size_t K = 1; K < Group.size(); ++K) {
                D.Check(W + "supplier " + std::to_string(K), int64_t{E.OrderQtyHist().GroupSuppliers(G)[K]},
                        int64_t{Group[K]});
            }
        }
    }
    if (!D.Text().empty()) {
        return D.Text();
    }

    for (int32_t Tp = 1; Tp <= T; ++Tp) {
        const auto I = static_cast<std::size_t>(Tp);
        for (int N = 1; N <= Ref.NumStages(); ++N) {
            const TStage& E = Engine.Stage(N);
            const TRefStage& R = Ref.Stage(N);
            D.Check(At(N, Tp, "FailedHist"), int64_t{E.FailedHist()[I] != 0}, int64_t{R.FailedHist[I]});
            if (!R.DemandHist.empty()) {
                D.Check(At(N, Tp, "DemandHist"), E.DemandHist()[I], R.DemandHist[I]);
            }
            D.Check(At(N, Tp, "DerivedDemandHist"), E.DerivedDemandHist()[I], R.DerivedDemandHist[I]);
            D.Check(At(N, Tp, "OrderQtyHist[0][0]"), E.OrderQtyHist().At(Tp, 0, 0), R.OrderQtyHist[I][0][0]);
            for (int G = 1; G <= R.NumRawMaterials(); ++G) {
                const auto& Row = R.OrderQtyHist[I][static_cast<std::size_t>(G)];
                for (std::size_t K = 1; K < Row.size(); ++K) {
                    const std::string Cell = "OrderQtyHist[" + std::to_string(G) + "][" + std::to_string(K) + "]";
                    D.Check(At(N, Tp, Cell.c_str()), E.OrderQtyHist().At(Tp, G, static_cast<int>(K)), Row[K]);
                }
            }
            D.Check(At(N, Tp, "NetInvHist"), E.NetInvHist()[I], R.NetInvHist[I]);
            D.Check(At(N, Tp, "OnOrderHist"), E.OnOrderHist()[I], R.OnOrderHist[I]);
            D.Check(At(N, Tp, "InProcessHist"), E.InProcessHist()[I], R.InProcessHist[I]);
            D.Check(At(N, Tp, "TotalCostHist"), E.TotalCostHist()[I], R.TotalCostHist[I]);
        }
        if (!D.Text().empty()) {
            return D.Text();
        }
    }

    for (int N = 1; N <= Ref.NumStages(); ++N) {
        const TStage& E = Engine.Stage(N);
        const TRefStage& R = Ref.Stage(N);
        const std::string Where = "stage " + std::to_string(N) + " ";
        D.Check(Where + "InvLevel", E.InvLevel(), R.InvLevel());
        D.Check(Where + "Backorders", E.Backorders(), R.Backorders());
        D.Check(Where + "OnOrder", E.OnOrder(), R.OnOrder());
        D.Check(Where + "InProcess", E.InProcess(), R.InProcess());
        D.Check(Where + "Forecast", E.Forecast(), R.Forecast);
        for (int M = 0; M < NumMetrics; ++M) {
            const TMinMaxAvg& A = *E.Stats().Get(M);
            const TRefAccumulator& B = R.Stats[static_cast<std::size_t>(M)];
            const std::string W = Where + "\"" + MetricNames[static_cast<std::size_t>(M)] + "\" ";
            D.Check(W + "Count", A.Count(), B.Count);
            D.Check(W + "Sum", A.Sum(), B.Sum);
            D.Check(W + "SumSq", A.SumSq(), B.SumSq);
            D.Check(W + "Min", A.Min(), B.Count > 0 ? B.Min : 0.0);
            D.Check(W + "Max", A.Max(), B.Count > 0 ? B.Max : 0.0);
            D.Check(W + "Last", A.Last(), B.Last);
        }
        const THistogram& H = E.Stats().Histogram();
        const TRefHistogram& RH = R.ServTime;
        D.Check(Where + "histogram Used", H.Used(), RH.Used);
        D.Check(Where + "histogram Total", H.Total(), RH.Total);
        D.Check(Where + "histogram MaxCount", H.MaxCount(), RH.MaxCount);
        D.Check(Where + "histogram Size", H.Size(), static_cast<int64_t>(RH.Counts.size()));
        for (std::size_t K = 0; K < RH.Counts.size(); ++K) {
            D.Check(Where + "histogram bucket " + std::to_string(K), H.Freq(static_cast<int64_t>(K)), RH.Counts[K]);
        }
    }

    const std::vector<std::string>& Expected = Ref.Messages();
    const std::vector<std::string>& Warned = Engine.RunWarnings();
    if (!D.Check("number of messages", static_cast<int64_t>(Warned.size()), static_cast<int64_t>(Expected.size()))) {
        return D.Text();
    }
    for (std::size_t I = 0; I < Expected.size(); ++I) {
        if (Warned[I] != Expected[I]) {
            D.Fail("message " + std::to_string(I + 1) + ": engine \"" + Warned[I] + "\", reference \"" + Expected[I]
                   + "\"");
        }
    }
    return D.Text();
}

struct TRunSettings {
    int32_t NumPeriods = 0;
    int32_t WarmUp = 0;
    uint32_t Seed = 0;
};

// Runs the engine and the reference (built from the model as it stands now) with the same
// settings, and returns their first difference. The engine runs twice: Model with its draws made
// in line, and a copy of it with its draws made ahead on a second thread.
std::string RunBoth(TSimulation& Model, const TRunSettings& Run)
{
    TUnitByUnitModel Ref(Model);
    Ref.Start(Run.NumPeriods, Run.WarmUp, Run.Seed);
    TSimulation Ahead;
    Ahead.CopyModel(Model);
    Ahead.SetDrawMode(TSimulation::TDrawMode::AheadAlways);
    Ahead.RunSimulation(Run.NumPeriods, Run.WarmUp, Run.Seed);
    Model.SetDrawMode(TSimulation::TDrawMode::InLine);
    Model.RunSimulation(Run.NumPeriods, Run.WarmUp, Run.Seed);
    if (std::string Diff = FirstDifference(Model, Ref); !Diff.empty()) {
        return Diff;
    }
    if (std::string Diff = FirstDifference(Ahead, Ref); !Diff.empty()) {
        return "drawn ahead: " + Diff;
    }
    if (Ahead.RandSeed() != Model.RandSeed()) {
        return "drawn ahead: generator state " + std::to_string(Ahead.RandSeed()) + " against " +
               std::to_string(Model.RandSeed());
    }
    return "";
}

// Draws the parameters of a random network from a fixed seed. Volumes stay small (demand up to
// about 20 per period, bounded orders) so that the reference stays fast.
class TNetworkDraw {
public:
    explicit TNetworkDraw(uint32_t NetworkSeed) : Rng_(NetworkSeed) {}

    int Int(int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(Rng_); }
    bool Chance(int Percent) { return Int(1, 100) <= Percent; }
    double Pick(std::initializer_list<double> Values)
    {
        return *(Values.begin() + Int(0, static_cast<int>(Values.size()) - 1));
    }
    // Coefficients with awkward binary fractions, both signs, zero often.
    double Cf() { return Pick({0, 0, 0, 1, -1, 0.5, -0.5, 0.1, -0.1, Third, -Third, 2.675, -2.675}); }

    TRunSettings Build(TSimulation& Model)
    {
        const int N = Int(1, 8);
        for (int I = 1; I <= N; ++I) {
            Model.AddStage();
        }
        for (int I = 1; I <= N; ++I) {
            EditStage(Model, I, [this](TStageParams& S) { DrawStage(S); });
        }
        for (int C = 1; C <= N; ++C) {
            for (int S = C + 1; S <= N; ++S) {
                if (Chance(50) && Model.Link(S, C) == TLinkResult::Linked && Chance(6)) {
                    // A second copy of the same link, as a model file can hold one.
                    AppendLink(Model, S, C);
                }
            }
        }
        Model.SetForceCST(Chance(50));
        TRunSettings Run;
        Run.NumPeriods = Int(50, 300);
        const int WarmUpKind = Int(1, 10);
        Run.WarmUp = WarmUpKind == 1 ? Run.NumPeriods : WarmUpKind == 2 ? 1 : Int(1, Run.NumPeriods);
        Run.Seed = static_cast<uint32_t>(Int(1, std::numeric_limits<int>::max()));
        return Run;
    }

private:
    void DrawStage(TStageParams& S)
    {
        // Few distinct products, so that alternative suppliers of one product are common.
        if (Chance(70)) {
            S.ProductIndex = static_cast<int32_t>(Pick({1, 2, 0, 1, -4}));
        }
        S.ProcTime = Int(0, 3);
        S.ProcCapacity = Chance(50) ? Inf : Int(0, 15);
        S.CommittedServiceTime = Int(0, 3);
        S.DemandMean = Chance(45) ? 0.0 : Pick({0.4, 2.5, 1, 3, 7, 12, 10 * Third});
        S.DemandSD = Pick({0, 0.5, 1.7, 3, 2.675});
        S.DemandBound = Chance(50) ? std::numeric_limits<double>::infinity() : Pick({0, 0.5, 1.5, 2});
        S.ProductCost = Pick({0, 0.1, Third, 2.675, 1});
        S.FixedCost = Pick({0, 0, 0.1, Third, 2.675});
        S.HoldingCost = Pick({0, 0.1, Third, 2.675, 0.05});
        S.WIPHoldingCost = Pick({0, 0.1, Third, 2.675});
        S.StockoutCost = Pick({0, 0.1, Third, 2.675, 10});
        S.StockoutPerUnitTime = Chance(50);
        S.FailureProb = Pick({0, 0, 0, 0.05, 0.2, 1});
        S.RecoveryProb = Pick({0, 0.5, 1, 0.3});
        S.InvPolicy = static_cast<uint8_t>(Int(0, 4));
        S.BaseStockLevel = Int(-3, 40);
        S.RQReorderPoint = Int(-5, 20);
        S.RQOrderQty = Int(-1, 12);
        S.SSReorderPoint = Int(-3, 20);
        S.SSOrderUpTo = S.SSReorderPoint + Int(0, 30);
        if (S.InvPolicy == PolicyOQ) {
            DrawOQ(S);
        }
    }

    // Three kinds: a finite order bound, a finite bound on the position after ordering, or no
    // bound at all with coefficients that keep the position from running away.
    void DrawOQ(TStageParams& S)
    {
        S.OQConstant = Pick({0, 5, 10.5, 2.675, -3, Third, 12});
        S.OQDemandCf = Cf();
        S.OQForecastCf = Cf();
        S.OQSmoothingConst = Pick({0, 0.1, 0.5, 1, Third});
        S.OQIPCf = Cf();
        S.OQILCf = Cf();
        S.OQInProcessCf = Cf();
        S.OQAboutToComplCf = Cf();
        S.OQUpstrIPCf = Cf();
        S.OQUpstrILCf = Cf();
        S.OQUpstrConsecSOCf = Cf();
        S.OQUpstrConsecNonSOCf = Pick({0, 0.1, -0.1, Third});
        S.OQUpstrSOCf = Cf();
        S.OQUpstrNonSOCf = Cf();
        S.OQDisruptCf = Cf();
        S.OQNonDisruptCf = Cf();
        S.OQUpstrDisruptCf = Cf();
        S.OQUpstrNonDisruptCf = Cf();
        S.OQOrderQtyLB = Int(-2, 4);
        S.OQIPLB = Int(-5, 10);
        S.OQReorderPoint = Chance(50) ? Inf : Int(-5, 30);
        S.OQInitIL = Int(-2, 30);
        switch (Int(0, 2)) {
        case 0:
            S.OQOrderQtyUB = Int(0, 25);
            break;
        case 1:
            S.OQIPUB = Int(-5, 40);
            S.OQOrderQtyLB = Int(-2, 2);
            break;
        default:
            S.OQDemandCf = Pick({0, 0.5, 1, Third});
            S.OQForecastCf = Pick({0, 0.5, 1, Third});
            S.OQIPCf = Pick({-1, -0.5, -Third});
            S.OQILCf = Pick({0, -0.5, 0.1});
            S.OQInProcessCf = Pick({0, -0.1, 0.1});
            S.OQAboutToComplCf = Pick({0, -0.1, 0.1});
            S.OQUpstrIPCf = Pick({0, 0.1, -0.1});
            S.OQUpstrILCf = Pick({0, 0.1, -0.1});
            S.OQUpstrConsecSOCf = Pick({0, 0.1, -0.1});
            S.OQUpstrConsecNonSOCf = Pick({0, 0.01, -0.01});
            break;
        }
    }

    std::mt19937 Rng_;
};

// Networks whose engine run carries more than this many units at once are not handed to the
// reference: one unbounded network would make the whole suite slow.
constexpr int64_t MaxUnitsForReference = 20000;

bool SmallEnoughForReference(const TSimulation& Model)
{
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStage& S = Model.Stage(N);
        for (std::size_t T = 1; T < S.NetInvHist().size(); ++T) {
            if (S.NetInvHist()[T] > MaxUnitsForReference || -S.NetInvHist()[T] > MaxUnitsForReference
                || S.OnOrderHist()[T] > MaxUnitsForReference || S.DerivedDemandHist()[T] > MaxUnitsForReference) {
                return false;
            }
        }
    }
    return true;
}

// Draws the network of NetworkSeed into Model, which must be empty, unless a trial run of the
// engine shows it too big for the reference (then false).
bool DrawSmallNetwork(uint32_t NetworkSeed, TSimulation& Model, TRunSettings& Run)
{
    {
        TSimulation Trial;
        Run = TNetworkDraw(NetworkSeed).Build(Trial);
        Trial.RunSimulation(Run.NumPeriods, Run.WarmUp, Run.Seed);
        if (!SmallEnoughForReference(Trial)) {
            return false;
        }
    }
    TNetworkDraw(NetworkSeed).Build(Model);
    return true;
}

// Compares Count random networks drawn from seeds First, First + 1, ...; returns how many were
// compared (the others were too big for the reference).
int CompareRandomNetworks(uint32_t First, int Count)
{
    int Compared = 0;
    int Reported = 0;
    for (uint32_t NetworkSeed = First; NetworkSeed < First + static_cast<uint32_t>(Count); ++NetworkSeed) {
        TSimulation Model;
        TRunSettings Run;
        if (!DrawSmallNetwork(NetworkSeed, Model, Run)) {
            continue;
        }
        const std::string Diff = RunBoth(Model, Run);
        ++Compared;
        if (!Diff.empty() && Reported++ < 10) {
            ADD_FAILURE() << "network seed " << NetworkSeed << " (" << Model.NumStages() << " stages, "
                          << Run.NumPeriods << " periods, warm-up " << Run.WarmUp << ", run seed " << Run.Seed
                          << "): " << Diff;
        }
    }
    EXPECT_EQ(Reported, 0) << "networks that differ from the reference";
    return Compared;
}

TEST(EngineDifferential, RandomNetworksMatchUnitByUnitReference)
{
    const int Count = 400;
    const int Compared = CompareRandomNetworks(1000, Count);
    // The draw keeps volumes small; if many networks grew too big the suite would test little.
    EXPECT_GE(Compared, Count * 95 / 100);
}

// Values that the parameter grid accepts but no sensible model uses: negative times, capacities,
// bounds and initial stock, probabilities outside [0, 1], a committed service time longer than
// the lead time. The engine must still do exactly what the plain rules do with them.
void MakeOdd(TSimulation& Model, uint32_t NetworkSeed)
{
    std::mt19937 Rng(NetworkSeed);
    const unsigned Kind = NetworkSeed % 8;
    for (int N = 1; N <= Model.NumStages(); ++N) {
        if (Rng() % 3 != 0) {
            continue;
        }
        const int Small = static_cast<int>(Rng() % 3);
        TStageParams S = Model.Stage(N).Params();
        switch (Kind) {
        case 0:
            S.ProcTime = -1 - Small;
            break;
        case 1:
            S.CommittedServiceTime = -1 - Small;
            break;
        case 2:
            S.ProcCapacity = -1 - Small;
            break;
        case 3:
            S.DemandBound = -0.5 - Small;
            break;
        case 4:
            S.FailureProb = 1.5;
            S.RecoveryProb = -0.5;
            break;
        case 5:
            S.BaseStockLevel = -5;
            S.RQReorderPoint = -10;
            S.RQOrderQty = 3;
            S.SSOrderUpTo = -4;
            S.OQInitIL = -7;
            break;
        case 6:
            S.InvPolicy = PolicyOQ;
            S.OQReorderPoint = -3 + Small;
            break;
        default:
            S.CommittedServiceTime = 5 + Small;
            break;
        }
        Model.SetStageParams(N, S);
    }
}

TEST(EngineDifferential, OddParameterValuesMatchReference)
{
    int Compared = 0;
    for (uint32_t NetworkSeed = 7000; NetworkSeed < 7160; ++NetworkSeed) {
        TRunSettings Run;
        {
            TSimulation Trial;
            Run = TNetworkDraw(NetworkSeed).Build(Trial);
            MakeOdd(Trial, NetworkSeed);
            Trial.RunSimulation(Run.NumPeriods, Run.WarmUp, Run.Seed);
            if (!SmallEnoughForReference(Trial)) {
                continue;
            }
        }
        TSimulation Model;
        TNetworkDraw(NetworkSeed).Build(Model);
        MakeOdd(Model, NetworkSeed);
        ++Compared;
        EXPECT_EQ(RunBoth(Model, Run), "") << "network seed " << NetworkSeed;
    }
    EXPECT_GE(Compared, 150);
}

TEST(EngineDifferential, RerunAfterResetMatchesReferenceAgain)
{
    int Compared = 0;
    for (uint32_t NetworkSeed = 5000; NetworkSeed < 5040; ++NetworkSeed) {
        TSimulation Model;
        TRunSettings Run;
        if (!DrawSmallNetwork(NetworkSeed, Model, Run)) {
            continue;
        }
        ++Compared;
        const std::string First = RunBoth(Model, Run);
        EXPECT_EQ(First, "") << "network seed " << NetworkSeed << ", first run";
        Model.Reset();
        // The reference is built from the model as the reset left it, so that a forecast an
        // "OQ" stage carries over is carried over on both sides.
        const std::string Second = RunBoth(Model, Run);
        EXPECT_EQ(Second, "") << "network seed " << NetworkSeed << ", run after Reset";
    }
    EXPECT_GE(Compared, 36);
}

// Long runs of bounded demand: the window limit looks back over every earlier period, so the
// longest windows only bind late in a long run. Limits that fall on halves (mean 2.5, SD 0) must
// round to even; a negative bound keeps every limit below the mean.
TEST(EngineDifferential, BoundedDemandMatchesOverLongRuns)
{
    struct TDemand {
        double Mean;
        double SD;
        double Bound;
    };
    const std::vector<TDemand> Demands = {
        {2.5, 0, 0},   {7, 3, 0.5},     {10 * Third, 2.675, 1.5}, {0.4, 1.7, 0.1},
        {12, 10, 2},   {2.5, 1, 3},     {5, 4, -0.5},             {1, 0.5, 1},
    };
    for (const uint32_t Seed : {11u, 777u, 123456789u}) {
        TSimulation Model;
        for (const TDemand& D : Demands) {
            TStageParams S;
            S.DemandMean = D.Mean;
            S.DemandSD = D.SD;
            S.DemandBound = D.Bound;
            S.BaseStockLevel = 5;
            S.HoldingCost = 0.1;
            S.StockoutCost = 2.675;
            S.FailureProb = 0.02;
            S.RecoveryProb = 0.5;
            AddStage(Model, S);
        }
        EXPECT_EQ(RunBoth(Model, {2500, 100, Seed}), "") << "seed " << Seed;
    }
}

void SetCosts(TStageParams& S, double Product, double Fixed, double Holding, double WIP, double Stockout)
{
    S.ProductCost = Product;
    S.FixedCost = Fixed;
    S.HoldingCost = Holding;
    S.WIPHoldingCost = WIP;
    S.StockoutCost = Stockout;
}

TEST(EngineDifferential, LargeVolumesMatchReference)
{
    // Thousands of identical units per run: initial stock of 5000, demand of a few hundred.
    {
        TSimulation Model;
        TStageParams S1;
        TStageParams S2;
        TStageParams S3;
        S1.DemandMean = 300;
        S1.DemandSD = 40;
        S1.DemandBound = 2;
        S1.BaseStockLevel = 5000;
        S1.ProcTime = 1;
        S1.CommittedServiceTime = 1;
        SetCosts(S1, 0.1, 2.675, 0.1, Third, 2.675);
        S2.DemandMean = 100;
        S2.DemandSD = 15;
        S2.BaseStockLevel = 5000;
        S2.ProcTime = 2;
        S2.CommittedServiceTime = 2;
        S2.FailureProb = 0.05;
        S2.RecoveryProb = 0.5;
        SetCosts(S2, Third, 1, 0.05, 0.1, 10);
        S2.StockoutPerUnitTime = false;
        S3.BaseStockLevel = 5000;
        S3.ProcTime = 3;
        S3.ProcCapacity = 420;
        S3.FailureProb = 0.1;
        S3.RecoveryProb = 0.3;
        SetCosts(S3, 2.675, 0.1, Third, 0.1, 0);
        for (const TStageParams& P : {S1, S2, S3}) {
            AddStage(Model, P);
        }
        ASSERT_EQ(Model.Link(2, 1), TLinkResult::Linked);
        ASSERT_EQ(Model.Link(3, 2), TLinkResult::Linked);
        Model.SetForceCST(true);
        EXPECT_EQ(RunBoth(Model, {100, 10, 4242}), "");
        EXPECT_GT(Model.Stage(1).Stats().Get(MetricFillRate)->Count(), 20000);
    }
    // Two equally cheap alternative suppliers with finite capacity, "OQ" at the customer.
    {
        TSimulation Model;
        TStageParams S1;
        S1.DemandMean = 250;
        S1.DemandSD = 60;
        S1.InvPolicy = PolicyOQ;
        S1.OQInitIL = 4000;
        S1.OQIPCf = -1;
        S1.OQConstant = 3000.5;
        S1.OQDemandCf = Third;
        S1.OQForecastCf = 0.1;
        S1.OQSmoothingConst = 0.1;
        S1.OQUpstrIPCf = 0.01;
        S1.ProcTime = 2;
        SetCosts(S1, 0, 0, 0.1, 0.1, 2.675);
        AddStage(Model, S1);
        for (int I = 2; I <= 3; ++I) {
            TStageParams S;
            S.ProductIndex = 7;
            S.ProductCost = 0.1;
            S.FixedCost = Third;
            S.BaseStockLevel = 3000;
            S.ProcCapacity = 180;
            S.ProcTime = I - 1;
            S.FailureProb = 0.1;
            S.RecoveryProb = 0.6;
            AddStage(Model, S);
        }
        ASSERT_EQ(Model.Link(2, 1), TLinkResult::Linked);
        ASSERT_EQ(Model.Link(3, 1), TLinkResult::Linked);
        EXPECT_EQ(RunBoth(Model, {100, 1, 99}), "");
        EXPECT_GT(Model.Stage(1).Stats().Get(MetricOrderCost)->Sum(), 0);
    }
}

// Stage 4 supplies stages 1 and 2; stage 1 also needs stage 3's product, and stage 3 is often
// down. Stage 1's orders at stage 4 then wait at the front and hold stage 4's stock for themselves,
// so stage 2's later orders wait too although units are on hand. Stage 2 has a dearer second
// source of the same product, stage 5, which it must use while its orders at stage 4 are held.
TEST(EngineDifferential, OldestOrdersWindowHoldsStockForShortCustomer)
{
    TSimulation Model;
    TStageParams S1;
    TStageParams S2;
    TStageParams S3;
    TStageParams S4;
    TStageParams S5;
    S1.DemandMean = 4;
    S1.DemandSD = 1.5;
    S1.BaseStockLevel = 10;
    S2.DemandMean = 4;
    S2.DemandSD = 1.5;
    S2.BaseStockLevel = 10;
    S3.BaseStockLevel = 6;
    S3.ProcTime = 1;
    S3.FailureProb = 0.3;
    S3.RecoveryProb = 0.3;
    S4.BaseStockLevel = 14;
    S4.ProcTime = 2;
    S4.ProcCapacity = 6;
    S5.ProductIndex = 4;  // stage 4's own product
    S5.BaseStockLevel = 8;
    S5.ProcTime = 1;
    SetCosts(S1, 0, 0, 0.1, 0.1, 2.675);
    SetCosts(S2, 0, 0, 0.1, 0.1, Third);
    SetCosts(S3, 0.1, 2.675, 0.1, 0.1, 0);
    SetCosts(S4, Third, 0.1, 0.1, Third, 0);
    SetCosts(S5, 1, 0.1, 0.1, 0, 0);
    for (const TStageParams& P : {S1, S2, S3, S4, S5}) {
        AddStage(Model, P);
    }
    ASSERT_EQ(Model.Link(3, 1), TLinkResult::Linked);
    ASSERT_EQ(Model.Link(4, 1), TLinkResult::Linked);
    ASSERT_EQ(Model.Link(4, 2), TLinkResult::Linked);
    ASSERT_EQ(Model.Link(5, 2), TLinkResult::Linked);
    const TRunSettings Run{200, 20, 7};

    // Periods that end with stock on hand at stage 4 while stage 2 has orders waiting there,
    // all behind stage 1's: the window, not the stock, held them back.
    TUnitByUnitModel Stepped(Model);
    Stepped.Begin(Run.NumPeriods, Run.WarmUp, Run.Seed);
    int Held = 0;
    for (int32_t T = 1; T <= Run.NumPeriods; ++T) {
        Stepped.SimulatePeriod();
        const TRefStage& R4 = Stepped.Stage(4);
        if (R4.InvLevel() > 0 && R4.WaitingOrders(2) > 0 && !R4.FailedHist[static_cast<std::size_t>(T)]) {
            ++Held;
        }
    }
    EXPECT_GE(Held, 5);

    EXPECT_EQ(RunBoth(Model, Run), "");
}

// With the option on, nothing ships before the committed service time even with stock on hand;
// without it the same stock ships at once.
TEST(EngineDifferential, ForceCSTHoldsOrdersNotYetDue)
{
    for (const bool Force : {true, false}) {
        TSimulation Model;
        TStageParams S1;
        TStageParams S2;
        TStageParams S3;
        S1.DemandMean = 6;
        S1.DemandSD = 2;
        S1.CommittedServiceTime = 2;
        S1.BaseStockLevel = 40;
        S1.StockoutCost = 2.675;
        S2.DemandMean = 3;
        S2.DemandSD = 1;
        S2.CommittedServiceTime = 3;
        S2.BaseStockLevel = 60;
        S2.ProcTime = 1;
        S2.StockoutCost = Third;
        S2.StockoutPerUnitTime = false;
        S3.CommittedServiceTime = 1;
        S3.BaseStockLevel = 30;
        S3.ProcTime = 2;
        S3.FailureProb = 0.1;
        S3.RecoveryProb = 0.5;
        for (const TStageParams& P : {S1, S2, S3}) {
            AddStage(Model, P);
        }
        ASSERT_EQ(Model.Link(2, 1), TLinkResult::Linked);
        ASSERT_EQ(Model.Link(3, 2), TLinkResult::Linked);
        Model.SetForceCST(Force);
        EXPECT_EQ(RunBoth(Model, {150, 5, 31337}), "") << "ForceCST " << Force;

        const THistogram& H1 = Model.Stage(1).Stats().Histogram();
        const THistogram& H2 = Model.Stage(2).Stats().Histogram();
        if (Force) {
            EXPECT_EQ(H1.Freq(0) + H1.Freq(1), 0);
            EXPECT_GT(H1.Freq(2), 0);
            EXPECT_EQ(H2.Freq(0) + H2.Freq(1) + H2.Freq(2), 0);
            EXPECT_GT(H2.Freq(3), 0);
        } else {
            EXPECT_GT(H1.Freq(0), 0);
            EXPECT_GT(H2.Freq(0), 0);
        }
    }
}

// Stage 1 may start only 5 units a period while it orders about 12, so the units it ordered in
// one period start over several periods; its suppliers' small capacities send the rest of an
// order to the first supplier beyond its capacity.
TEST(EngineDifferential, CapacityStartsPartOfAPeriodsUnits)
{
    TSimulation Model;
    TStageParams S1;
    TStageParams S2;
    TStageParams S3;
    S1.DemandMean = 12;
    S1.DemandSD = 3;
    S1.BaseStockLevel = 30;
    S1.ProcCapacity = 5;
    S1.ProcTime = 1;
    S1.WIPHoldingCost = Third;
    S1.StockoutCost = 0.1;
    for (TStageParams* S : {&S2, &S3}) {
        S->ProductIndex = 9;
        S->BaseStockLevel = 25;
        S->ProcTime = 1;
        S->FixedCost = 2.675;
    }
    S2.ProductCost = 0.1;
    S2.ProcCapacity = 4;
    S3.ProductCost = 1;
    S3.ProcCapacity = 3;
    S3.FailureProb = 0.2;
    S3.RecoveryProb = 0.5;
    for (const TStageParams& P : {S1, S2, S3}) {
        AddStage(Model, P);
    }
    ASSERT_EQ(Model.Link(2, 1), TLinkResult::Linked);
    ASSERT_EQ(Model.Link(3, 1), TLinkResult::Linked);
    const TRunSettings Run{120, 10, 2024};

    TUnitByUnitModel Stepped(Model);
    Stepped.Begin(Run.NumPeriods, Run.WarmUp, Run.Seed);
    int Split = 0;
    int Overflow = 0;
    for (int32_t T = 1; T <= Run.NumPeriods; ++T) {
        Stepped.SimulatePeriod();
        const TRefStage& R1 = Stepped.Stage(1);
        std::vector<int32_t> StartedOf;
        std::vector<int32_t> WaitingOf;
        for (const TRefUnit& U : R1.Pipeline) {
            (U.Start == RefNotStarted ? WaitingOf : StartedOf).push_back(U.Ordered);
        }
        for (const int32_t P : StartedOf) {
            if (std::find(WaitingOf.begin(), WaitingOf.end(), P) != WaitingOf.end()) {
                ++Split;
                break;
            }
        }
        if (R1.OrderQtyHist[static_cast<std::size_t>(T)][1][1] > S2.ProcCapacity) {
            ++Overflow;
        }
    }
    EXPECT_GT(Split, 0);
    EXPECT_GT(Overflow, 0);

    EXPECT_EQ(RunBoth(Model, Run), "");
}

// A supplier listed twice (a model file can hold such a link) counts its stock twice in the
// availability test, so the withdrawals come up short and the run warns of the inconsistency.
TEST(EngineDifferential, DuplicatedSupplierLinkGivesSameWarnings)
{
    TSimulation Model;
    TStageParams S1;
    TStageParams S2;
    S1.DemandMean = 5;
    S1.DemandSD = 2;
    S1.BaseStockLevel = 20;
    S1.ProcTime = 1;
    S2.BaseStockLevel = 3;
    S2.ProcTime = 2;
    S2.ProcCapacity = 3;
    S2.ProductCost = 0.1;
    S2.FixedCost = 2.675;
    AddStage(Model, S1);
    AddStage(Model, S2);
    ASSERT_TRUE(AppendLink(Model, 2, 1));
    ASSERT_TRUE(AppendLink(Model, 2, 1));
    ASSERT_EQ(Model.Stage(1).NumSuppliers(), 2);
    EXPECT_EQ(RunBoth(Model, {80, 5, 555}), "");
    ASSERT_FALSE(Model.RunWarnings().empty());
    EXPECT_EQ(Model.RunWarnings()[0].rfind("No raw material 2 found for stage 1 in period ", 0), 0u);
}

}  // namespace
