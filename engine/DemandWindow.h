#pragma once
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

// The trailing-window bound on the external demand of one stage for one run.
//
// The rule: with the draw d of period t, for n = 1..t, the demand of the last n periods
// (earlier periods as recorded, plus d) must not exceed
//     Limit[n] = Round(Bound * SD * sqrt(n) + n * Mean)       (extended precision, ties to even)
// and d is lowered by the excess of every window in turn; a result below 0 becomes 0.
// Each lowering sets d to Limit[n] - (demand of the previous n - 1 periods) when that is smaller,
// so the result is min(d, min over n of (Limit[n] + C[t - n] - C[t - 1])) with C the cumulative
// demand: the answer is exact whichever windows are examined first. The short windows are
// checked one by one. The long ones are skipped only where they provably cannot lower d:
//  - With Bound * SD >= 0 and Mean >= 0 (the usual case) the limits never fall as n grows, so
//    a window's term Limit[t - j] + C[j] minus t * Mean, once known, bounds it from below (less
//    1 for rounding) in every later period. Such bounds are kept for blocks of start periods and
//    a block is recomputed only when its bound no longer shows that it cannot lower d.
//  - Otherwise the long windows are first bounded together from running minima, and searched
//    branch-and-bound over a min-tree of the history when that is not enough.
//
// A run may draw its demand on a second thread (TDrawAhead), which then alone uses the window:
// the window fills whole cache lines of its own, so that the stage's other state, written by the
// periods' thread, never shares a line with it.
class alignas(64) TDemandWindow {
public:
    // A limit beyond the 64-bit range (a bound of 1e300 from an old file, say) is no limit.
    static constexpr int64_t NoLimit = std::numeric_limits<int64_t>::max();

    // Computes Limit[1..Periods] for a stage; forgets the recorded history. With an infinite bound
    // (either sign) or a NaN one the window rule does not apply (Active() is false). The tables
    // of the last call are kept when every argument is the same, and its storage is reused.
    void Prepare(double Mean, double SD, double Bound, int32_t Periods);
    bool Active() const { return Active_; }
    int32_t Periods() const { return Periods_; }
    // Limit[N] for 1 <= N <= Periods(), or NoLimit.
    int64_t Limit(int32_t N) const { return Limits_[static_cast<std::size_t>(N)]; }

    // The bounded demand of the next period given its draw D >= 0: lowered by every window's
    // excess, never below 0. May tighten the kept bounds.
    // REQUIRES: Active(), Recorded() < Periods().
    int64_t Apply(int64_t D);
    // Records the final demand of the next period.
    void Record(int64_t Demand);
    int32_t Recorded() const { return Recorded_; }

private:
    // Minimum of every aligned block of the history (a perfect binary tree), updated as periods
    // are recorded. Leaves are set in order, from 0: a block then holds the minimum of the leaves
    // set so far, and nothing has to be cleared beforehand.
    class TMinTree {
    public:
        // Room for Leaves leaves; none set.
        void Assign(std::size_t Leaves);
        // REQUIRES: Index is 0 or the leaf after the last one set.
        void Set(std::size_t Index, double Value);
        double Node(std::size_t Node) const { return Tree_[Node]; }
        std::size_t Size() const { return Size_; }

    private:
        std::size_t Size_ = 0;
        std::vector<double> Tree_;
    };

    // Minimum over any range of a fixed array in O(1): minima of every power-of-two run.
    class TSparseMin {
    public:
        // Level 0, to be filled with Count values before Build.
        double* Values(std::size_t Count);
        void Build();
        // Minimum over [First, Last]. REQUIRES: First <= Last < size.
        double RangeMin(std::size_t First, std::size_t Last) const;

    private:
        std::size_t Count_ = 0;
        std::vector<double> Levels_;  // level k holds the minima of runs of 2^k, at k * Count_
    };

    // Lower bounds on the terms of the long windows, by blocks of BlockSize start periods j, for
    // limits that never fall. A term less the trend, Limit[t - j] + C[j] - t * Mean, falls by
    // less than 1 however t grows (rounding of the limits), so its value less 1 in any period
    // bounds it in every later one: Leaf(b) <= Limit[t - j] + C[j] - t * Mean for every j of
    // block b recorded so far and every later t, up to the rounding that TPruning allows for.
    // Each node holds the minimum of its leaves; infinite: no limit, or no j yet.
    class TBlockBounds {
    public:
        static constexpr std::size_t BlockSize = 32;
        // Room for blocks of start periods 0..LastStart, every bound infinite.
        void Assign(std::size_t LastStart);
        double Node(std::size_t Node) const { return Tree_[Node]; }
        std::size_t Leaves() const { return Leaves_; }
        // Lowers (Lower) or replaces (Set) the bound of block B, then its ancestors'.
        void Lower(std::size_t B, double Value);
        void Set(std::size_t B, double Value);

    private:
        std::size_t Leaves_ = 0;
        std::vector<double> Tree_;
    };

    // How far the double lower bounds of period T can be trusted.
    struct TPruning {
        bool CanPrune = false;
        double Slack = 0;
        double TrendAtT = 0;  // T * Mean
    };
    // Windows of up to this many periods are checked one by one.
    static constexpr int32_t ShortWindows = 16;
    // The smallest term of the short windows of period T, or Best when none is smaller.
    int64_t ShortWindowsBest(int32_t T, int64_t Best) const;
    // The smallest term of start periods First..Last, or Best when none is smaller.
    int64_t StartsBest(int32_t T, std::size_t First, std::size_t Last, int64_t Best) const;
    // Limits that never fall: the smallest term over the long windows, or Best when none is
    // smaller, from the block bounds; every block examined gets its bound renewed.
    int64_t MonotoneLongWindows(int32_t T, std::size_t LastJ, int64_t Best, const TPruning& P);
    TPruning PruningAt(int32_t T, int64_t Before) const;
    static bool ProvenAbove(double LowerBound, int64_t Best, const TPruning& P);
    // True when one bound over all long windows (j = 0..LastJ) shows none can go below Best.
    bool LongWindowsCannotLower(int32_t T, std::size_t LastJ, int64_t Best, const TPruning& P) const;
    // The smallest term over the long windows, or Best when none is smaller.
    int64_t SearchLongWindows(int32_t T, std::size_t LastJ, int64_t Best, const TPruning& P) const;

    // The arguments the tables were computed for, as bit patterns: equal bits, equal tables.
    struct TKey {
        uint64_t Mean = 0, SD = 0, Bound = 0;
        int32_t Periods = -1;
        bool operator==(const TKey&) const = default;
    };
    void BuildTables(double Mean, double SD, double Bound);

    TKey Key_;
    bool Active_ = false;
    bool Monotone_ = false;  // limits never fall as windows grow: the block bounds apply
    int32_t Periods_ = 0;
    int32_t Recorded_ = 0;
    double Mean_ = 0;
    double MaxAbsLimit_ = 0;
    std::vector<int64_t> Limits_;      // [1..Periods]
    // Limit[1..ShortWindows], no limit as 2^62 (which no term can reach from below, see
    // ShortWindowsBest), so that their terms need no test.
    std::array<int64_t, ShortWindows + 1> ShortLimits_{};
    std::vector<int64_t> Cumulative_;  // C[0..Recorded]
    TBlockBounds Blocks_;              // monotone limits only
    // The rest serves limits that may fall.
    TSparseMin LimitExcess_;           // Limit[n] - n * Mean, by n (infinite for no limit)
    std::vector<double> LongLimitExcessMin_;  // [t]: min of Limit[n] - n * Mean over ShortWindows < n <= t
    std::vector<double> HistoryExcessMin_;    // [j]: min of C[i] - i * Mean over i <= j
    TMinTree HistoryExcess_;           // C[j] - j * Mean, by j
};
