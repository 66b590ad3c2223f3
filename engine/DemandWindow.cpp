#include "engine/DemandWindow.h"

#include <cassert>
#include <cfloat>
#include <cmath>

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
// Limits are kept within +-2^62 so that a limit plus a cumulative demand cannot overflow.
constexpr long double LimitRange = 0x1p62L;

int64_t RoundLimit(long double Value)
{
    if (std::isnan(Value)) {
        return TDemandWindow::NoLimit;
    }
    const long double R = std::nearbyintl(Value);
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
    Tree_.assign(2 * Size_, Infinity);
}

void TDemandWindow::TMinTree::Set(std::size_t Index, double Value)
{
    std::size_t Node = Index + Size_;
    Tree_[Node] = Value;
    for (Node /= 2; Node >= 1; Node /= 2) {
        Tree_[Node] = std::min(Tree_[2 * Node], Tree_[2 * Node + 1]);
    }
}

double TDemandWindow::TMinTree::RangeMin(std::size_t First, std::size_t Last) const
{
    double Min = Infinity;
    std::size_t Lo = First + Size_;
    std::size_t Hi = Last + Size_ + 1;
    while (Lo < Hi) {
        if (Lo & 1) {
            Min = std::min(Min, Tree_[Lo++]);
        }
        if (Hi & 1) {
            Min = std::min(Min, Tree_[--Hi]);
        }
        Lo /= 2;
        Hi /= 2;
    }
    return Min;
}

void TDemandWindow::Prepare(double Mean, double SD, double Bound, int32_t Periods)
{
    Active_ = !(std::isinf(Bound) && Bound > 0) && !std::isnan(Bound);
    Periods_ = Periods > 0 ? Periods : 0;
    Recorded_ = 0;
    Mean_ = Mean;
    MaxAbsLimit_ = 0;
    Limits_.assign(static_cast<std::size_t>(Periods_) + 1, NoLimit);
    Cumulative_.assign(1, 0);
    Cumulative_.reserve(static_cast<std::size_t>(Periods_) + 1);
    if (!Active_) {
        return;
    }
    LimitExcess_.Assign(static_cast<std::size_t>(Periods_) + 1);
    HistoryExcess_.Assign(static_cast<std::size_t>(Periods_) + 1);
    const long double Spread = static_cast<long double>(Bound) * static_cast<long double>(SD);
    for (int32_t N = 1; N <= Periods_; ++N) {
        const long double Value = Spread * std::sqrt(static_cast<long double>(N)) + N * static_cast<long double>(Mean);
        const int64_t L = RoundLimit(Value);
        Limits_[static_cast<std::size_t>(N)] = L;
        if (L != NoLimit) {
            MaxAbsLimit_ = std::max(MaxAbsLimit_, std::fabs(static_cast<double>(L)));
            LimitExcess_.Set(static_cast<std::size_t>(N), static_cast<double>(L) - N * Mean);
        }
    }
    HistoryExcess_.Set(0, 0.0);
}

void TDemandWindow::Record(int64_t Demand)
{
    const int64_t C = Cumulative_.back() + Demand;
    Cumulative_.push_back(C);
    ++Recorded_;
    if (Active_ && Recorded_ <= Periods_) {
        HistoryExcess_.Set(static_cast<std::size_t>(Recorded_), static_cast<double>(C) - Recorded_ * Mean_);
    }
}

int64_t TDemandWindow::Apply(int64_t D) const
{
    assert(Active_ && Recorded_ < Periods_);
    const int32_t T = Recorded_ + 1;
    const int64_t Before = Cumulative_[static_cast<std::size_t>(T - 1)];  // C[t - 1]
    // Smallest window term Limit[t - j] + C[j] over j = 0..t-1; anything at or above
    // Threshold leaves the draw as it is.
    const int64_t Threshold = D + Before;
    int64_t Best = Threshold;

    // Error of the double lower bounds below; pruning stops where doubles no longer count units.
    const double TrendAtT = T * Mean_;
    const double Scale = MaxAbsLimit_ + std::fabs(static_cast<double>(Before)) + 2 * std::fabs(TrendAtT);
    const bool CanPrune = std::isfinite(Scale) && Scale < 0x1p50;
    const double Slack = 16 * DBL_EPSILON * Scale + 1e-9;

    const std::size_t Leaves = HistoryExcess_.Size();
    const std::size_t LastJ = static_cast<std::size_t>(T - 1);
    // Depth-first over the tree of j, newest periods (short windows) first.
    std::size_t Stack[64];
    std::size_t Depth = 0;
    std::size_t NodeFirst[64];
    std::size_t NodeLast[64];
    Stack[Depth] = 1;
    NodeFirst[Depth] = 0;
    NodeLast[Depth] = Leaves - 1;
    ++Depth;
    while (Depth > 0) {
        --Depth;
        const std::size_t Node = Stack[Depth];
        const std::size_t First = NodeFirst[Depth];
        if (First > LastJ) {
            continue;
        }
        const std::size_t Last = std::min(NodeLast[Depth], LastJ);
        if (CanPrune) {
            const double HistoryMin = HistoryExcess_.Node(Node);
            const double LimitMin = LimitExcess_.RangeMin(static_cast<std::size_t>(T) - Last,
                                                         static_cast<std::size_t>(T) - First);
            if (LimitMin == Infinity) {
                continue;  // no window of these lengths has a limit
            }
            const double LowerBound = LimitMin + HistoryMin + TrendAtT;
            // Terms are integers: a bound above Best - 1 means none is below Best.
            if (std::isfinite(LowerBound) && LowerBound - Slack > static_cast<double>(Best) - 1) {
                continue;
            }
        }
        if (First == NodeLast[Depth] || Node >= Leaves) {
            const int64_t L = Limits_[static_cast<std::size_t>(T) - First];
            if (L != NoLimit) {
                Best = std::min(Best, L + Cumulative_[First]);
            }
            continue;
        }
        const std::size_t Mid = (First + NodeLast[Depth]) / 2;
        const std::size_t NodeLastFull = NodeLast[Depth];
        // Push the older half first so the newer half is examined first.
        Stack[Depth] = 2 * Node;
        NodeFirst[Depth] = First;
        NodeLast[Depth] = Mid;
        ++Depth;
        Stack[Depth] = 2 * Node + 1;
        NodeFirst[Depth] = Mid + 1;
        NodeLast[Depth] = NodeLastFull;
        ++Depth;
    }
    const int64_t Bounded = Best - Before;
    return Bounded < 0 ? 0 : Bounded;
}
