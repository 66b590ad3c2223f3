#include "engine/DemandWindow.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cfloat>
#include <cmath>

#include "engine/OneBased.h"

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
// Limits are kept within +-2^62 so that a limit plus a cumulative demand cannot overflow.
constexpr long double LimitRange = 0x1p62L;

int64_t RoundLimit(long double Value)
{
    if (std::isnan(Value)) {
        return TDemandWindow::NoLimit;
    }
    const long double R = std::rint(Value);
    if (R >= LimitRange) {
        return TDemandWindow::NoLimit;
    }
    if (R <= -LimitRange) {
        // Any window already exceeds it: the draw becomes 0, as the literal rule gives.
        return -static_cast<int64_t>(LimitRange);
    }
    return static_cast<int64_t>(R);
}

}  // namespace

void TDemandWindow::TMinTree::Assign(std::size_t Leaves)
{
    Size_ = 1;
    while (Size_ < Leaves) {
        Size_ *= 2;
    }
    Tree_.resize(2 * Size_);
}

void TDemandWindow::TMinTree::Set(std::size_t Index, double Value)
{
    // The leaves right of Index are unset: a left child's block is its parent's only set part.
    std::size_t Node = Index + Size_;
    Tree_[Node] = Value;
    for (; Node > 1; Node /= 2) {
        Tree_[Node / 2] = Node % 2 == 0 ? Tree_[Node] : std::min(Tree_[Node - 1], Tree_[Node]);
    }
}

void TDemandWindow::TBlockBounds::Assign(std::size_t LastStart)
{
    const std::size_t Blocks = LastStart / BlockSize + 1;
    Leaves_ = 1;
    while (Leaves_ < Blocks) {
        Leaves_ *= 2;
    }
    Tree_.assign(2 * Leaves_, Infinity);
}

void TDemandWindow::TBlockBounds::Lower(std::size_t B, double Value)
{
    // Ancestors already at or below Value stay, and so do theirs.
    for (std::size_t Node = Leaves_ + B; Node >= 1 && Value < Tree_[Node]; Node /= 2) {
        Tree_[Node] = Value;
    }
}

void TDemandWindow::TBlockBounds::Set(std::size_t B, double Value)
{
    std::size_t Node = Leaves_ + B;
    Tree_[Node] = Value;
    for (Node /= 2; Node >= 1; Node /= 2) {
        Tree_[Node] = std::min(Tree_[2 * Node], Tree_[2 * Node + 1]);
    }
}

double* TDemandWindow::TSparseMin::Values(std::size_t Count)
{
    Count_ = Count;
    const std::size_t NumLevels = Count_ == 0 ? 0 : static_cast<std::size_t>(std::bit_width(Count_));
    Levels_.resize(NumLevels * Count_);
    return Levels_.data();
}

void TDemandWindow::TSparseMin::Build()
{
    const std::size_t NumLevels = Count_ == 0 ? 0 : static_cast<std::size_t>(std::bit_width(Count_));
    for (std::size_t K = 1; K < NumLevels; ++K) {
        const std::size_t Half = std::size_t{1} << (K - 1);
        double* Level = Levels_.data() + K * Count_;
        const double* Below = Levels_.data() + (K - 1) * Count_;
        for (std::size_t I = 0; I + 2 * Half <= Count_; ++I) {
            Level[I] = std::min(Below[I], Below[I + Half]);
        }
    }
}

double TDemandWindow::TSparseMin::RangeMin(std::size_t First, std::size_t Last) const
{
    const std::size_t K = static_cast<std::size_t>(std::bit_width(Last - First + 1)) - 1;
    const double* Level = Levels_.data() + K * Count_;
    return std::min(Level[First], Level[Last + 1 - (std::size_t{1} << K)]);
}

void TDemandWindow::Prepare(double Mean, double SD, double Bound, int32_t Periods)
{
    Periods_ = Periods > 0 ? Periods : 0;
    Recorded_ = 0;
    Cumulative_.assign(1, 0);
    Cumulative_.reserve(static_cast<std::size_t>(Periods_) + 1);
    const TKey Key{std::bit_cast<uint64_t>(Mean), std::bit_cast<uint64_t>(SD), std::bit_cast<uint64_t>(Bound), Periods_};
    if (Key != Key_) {
        Key_ = Key;
        BuildTables(Mean, SD, Bound);
    }
    if (!Active_) {
        return;
    }
    if (Monotone_) {
        Blocks_.Assign(Periods_ > ShortWindows ? static_cast<std::size_t>(Periods_ - ShortWindows - 1) : 0);
        return;
    }
    HistoryExcess_.Assign(static_cast<std::size_t>(Periods_) + 1);
    HistoryExcessMin_.assign(1, 0.0);
    HistoryExcessMin_.reserve(static_cast<std::size_t>(Periods_) + 1);
    HistoryExcess_.Set(0, 0.0);
}

void TDemandWindow::BuildTables(double Mean, double SD, double Bound)
{
    Active_ = std::isfinite(Bound);
    Mean_ = Mean;
    MaxAbsLimit_ = 0;
    Limits_.assign(static_cast<std::size_t>(Periods_) + 1, NoLimit);
    Monotone_ = false;
    if (!Active_) {
        return;
    }
    const long double Spread = static_cast<long double>(Bound) * static_cast<long double>(SD);
    for (int32_t N = 1; N <= Periods_; ++N) {
        const long double Value = Spread * std::sqrt(static_cast<long double>(N)) + N * static_cast<long double>(Mean);
        const int64_t L = RoundLimit(Value);
        Limits_[static_cast<std::size_t>(N)] = L;
        if (L != NoLimit) {
            MaxAbsLimit_ = std::max(MaxAbsLimit_, std::fabs(static_cast<double>(L)));
        }
    }
    // Both parts of the limit then grow with n, and rounding keeps the order.
    Monotone_ = Spread >= 0 && Mean >= 0;
    for (int32_t N = 1; N <= std::min(Periods_, ShortWindows); ++N) {
        ShortLimits_[static_cast<std::size_t>(N)] = std::min(Limits_[static_cast<std::size_t>(N)], int64_t{1} << 62);
    }
    if (Monotone_) {
        return;
    }
    double* Excess = LimitExcess_.Values(static_cast<std::size_t>(Periods_) + 1);
    std::fill_n(Excess, Periods_ + 1, Infinity);
    for (int32_t N = 1; N <= Periods_; ++N) {
        const int64_t L = Limits_[static_cast<std::size_t>(N)];
        if (L != NoLimit) {
            Excess[N] = static_cast<double>(L) - N * Mean;
        }
    }
    LongLimitExcessMin_.assign(static_cast<std::size_t>(Periods_) + 1, Infinity);
    for (int32_t N = ShortWindows + 1; N <= Periods_; ++N) {
        LongLimitExcessMin_[static_cast<std::size_t>(N)] =
            std::min(LongLimitExcessMin_[static_cast<std::size_t>(N) - 1], Excess[N]);
    }
    LimitExcess_.Build();
}

void TDemandWindow::Record(int64_t Demand)
{
    const int64_t C = Cumulative_.back() + Demand;
    Cumulative_.push_back(C);
    ++Recorded_;
    if (Monotone_) {
        // The window of ShortWindows + 1 periods ending with the next period is the longest one
        // yet: its start period J joins the block bounds with its term of that period.
        const int32_t N = ShortWindows + 1;
        if (Recorded_ >= ShortWindows && Recorded_ < Periods_ && Elem(Limits_, N) != NoLimit) {
            const std::size_t J = static_cast<std::size_t>(Recorded_ - ShortWindows);
            const double Term = static_cast<double>(Elem(Limits_, N) + Cumulative_[J]);
            Blocks_.Lower(J / TBlockBounds::BlockSize, Term - (Recorded_ + 1) * Mean_ - 1);
        }
    } else if (Active_ && Recorded_ <= Periods_) {
        const double Excess = static_cast<double>(C) - Recorded_ * Mean_;
        HistoryExcess_.Set(static_cast<std::size_t>(Recorded_), Excess);
        HistoryExcessMin_.push_back(std::min(HistoryExcessMin_.back(), Excess));
    }
}

int64_t TDemandWindow::Apply(int64_t D)
{
    assert(Active_ && Recorded_ < Periods_);
    const int32_t T = Recorded_ + 1;
    const int64_t Before = Elem(Cumulative_, T - 1);  // C[t - 1]
    // Smallest window term Limit[t - j] + C[j] over j = 0..t-1; anything at or above D + C[t - 1]
    // leaves the draw as it is.
    int64_t Best = ShortWindowsBest(T, D + Before);
    if (T > ShortWindows) {
        const TPruning Pruning = PruningAt(T, Before);
        const std::size_t LastJ = static_cast<std::size_t>(T - ShortWindows - 1);
        if (Monotone_) {
            Best = MonotoneLongWindows(T, LastJ, Best, Pruning);
        } else if (!LongWindowsCannotLower(T, LastJ, Best, Pruning)) {
            Best = SearchLongWindows(T, LastJ, Best, Pruning);
        }
    }
    return std::max<int64_t>(Best - Before, 0);
}

int64_t TDemandWindow::ShortWindowsBest(int32_t T, int64_t Best) const
{
    // Limit[n] + C[T - n] for n = 1..min(T, ShortWindows). A missing limit stands as 2^62: as
    // C >= 0, its term is at least 2^62, above D + C[T - 1] (a run's whole demand stays below
    // 2^62), and 2^62 + C cannot overflow.
    const int64_t* C = Cumulative_.data() + T;
    const int64_t* L = ShortLimits_.data();
    if (T < ShortWindows) {
        for (int32_t N = 1; N <= T; ++N) {
            Best = std::min(Best, L[N] + C[-N]);
        }
        return Best;
    }
    // Four independent minima, so that the comparisons need not wait on each other.
    int64_t B[4] = {Best, Best, Best, Best};
    for (int32_t N = 1; N <= ShortWindows; N += 4) {
        for (int32_t K = 0; K < 4; ++K) {
            B[K] = std::min(B[K], L[N + K] + C[-N - K]);
        }
    }
    return std::min(std::min(B[0], B[1]), std::min(B[2], B[3]));
}

int64_t TDemandWindow::StartsBest(int32_t T, std::size_t First, std::size_t Last, int64_t Best) const
{
    for (std::size_t J = First; J <= Last; ++J) {
        const int64_t L = Elem(Limits_, T - static_cast<int64_t>(J));
        if (L != NoLimit) {
            Best = std::min(Best, L + Cumulative_[J]);
        }
    }
    return Best;
}

int64_t TDemandWindow::MonotoneLongWindows(int32_t T, std::size_t LastJ, int64_t Best, const TPruning& P)
{
    if (!P.CanPrune) {
        return StartsBest(T, 0, LastJ, Best);
    }
    // Depth-first over the blocks, newest first; the blocks recorded so far hold only start
    // periods up to LastJ.
    constexpr std::size_t BlockSize = TBlockBounds::BlockSize;
    std::array<std::size_t, 64> Stack;
    std::size_t Depth = 0;
    Stack[Depth++] = 1;
    while (Depth > 0) {
        const std::size_t Node = Stack[--Depth];
        const double Bound = Blocks_.Node(Node);
        if (Bound == Infinity || ProvenAbove(Bound + P.TrendAtT, Best, P)) {
            continue;
        }
        if (Node < Blocks_.Leaves()) {
            Stack[Depth++] = 2 * Node;
            Stack[Depth++] = 2 * Node + 1;
            continue;
        }
        // The block's bound has gone stale: its terms of period T, and a fresh bound from them.
        const std::size_t B = Node - Blocks_.Leaves();
        const int64_t BlockBest = StartsBest(T, B * BlockSize, std::min(B * BlockSize + BlockSize - 1, LastJ), NoLimit);
        Best = std::min(Best, BlockBest);
        Blocks_.Set(B, BlockBest == NoLimit ? Infinity : static_cast<double>(BlockBest) - P.TrendAtT - 1);
    }
    return Best;
}

TDemandWindow::TPruning TDemandWindow::PruningAt(int32_t T, int64_t Before) const
{
    // Error of the double lower bounds; pruning stops where doubles no longer count units.
    TPruning P;
    P.TrendAtT = T * Mean_;
    const double Scale = MaxAbsLimit_ + std::fabs(static_cast<double>(Before)) + 2 * std::fabs(P.TrendAtT);
    P.CanPrune = std::isfinite(Scale) && Scale < 0x1p50;
    P.Slack = 16 * DBL_EPSILON * Scale + 1e-9;
    return P;
}

bool TDemandWindow::ProvenAbove(double LowerBound, int64_t Best, const TPruning& P)
{
    // Terms are integers: a bound above Best - 1 means none is below Best.
    return std::isfinite(LowerBound) && LowerBound - P.Slack > static_cast<double>(Best) - 1;
}

bool TDemandWindow::LongWindowsCannotLower(int32_t T, std::size_t LastJ, int64_t Best, const TPruning& P) const
{
    if (!P.CanPrune) {
        return false;
    }
    const double LongMin = Elem(LongLimitExcessMin_, T);
    return LongMin == Infinity || ProvenAbove(LongMin + HistoryExcessMin_[LastJ] + P.TrendAtT, Best, P);
}

int64_t TDemandWindow::SearchLongWindows(int32_t T, std::size_t LastJ, int64_t Best, const TPruning& P) const
{
    // Depth-first over the min-tree of j = 0..LastJ, newest periods first, skipping every block
    // whose windows provably cannot go below Best.
    struct TNode {
        std::size_t Index, First, Last;
    };
    const std::size_t Leaves = HistoryExcess_.Size();
    std::array<TNode, 64> Stack;
    std::size_t Depth = 0;
    Stack[Depth++] = {1, 0, Leaves - 1};
    while (Depth > 0) {
        const TNode Node = Stack[--Depth];
        if (Node.First > LastJ) {
            continue;
        }
        if (P.CanPrune) {
            const std::size_t Last = std::min(Node.Last, LastJ);
            const double LimitMin =
                LimitExcess_.RangeMin(static_cast<std::size_t>(T) - Last, static_cast<std::size_t>(T) - Node.First);
            if (LimitMin == Infinity) {
                continue;  // no window of these lengths has a limit
            }
            if (ProvenAbove(LimitMin + HistoryExcess_.Node(Node.Index) + P.TrendAtT, Best, P)) {
                continue;
            }
        }
        if (Node.First == Node.Last || Node.Index >= Leaves) {
            Best = StartsBest(T, Node.First, Node.First, Best);
            continue;
        }
        // Push the older half first so the newer half is examined first.
        const std::size_t Mid = (Node.First + Node.Last) / 2;
        Stack[Depth++] = {2 * Node.Index, Node.First, Mid};
        Stack[Depth++] = {2 * Node.Index + 1, Mid + 1, Node.Last};
    }
    return Best;
}
