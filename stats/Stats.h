#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

// Counts of observations stop at the largest 64-bit value instead of overflowing.
inline int64_t SaturatingAdd(int64_t A, int64_t B)
{
    int64_t Sum = 0;
    return __builtin_add_overflow(A, B, &Sum) ? std::numeric_limits<int64_t>::max() : Sum;
}

// One-pass accumulator of one series of observations: count, sum, sum of squares, extremes and
// the last value. Counts are 64-bit: a run of big volumes files one observation per unit shipped.
class TMinMaxAvg {
public:
    TMinMaxAvg() { Reset(); }

    void Reset();
    void Add(double X)
    {
        Count_ = SaturatingAdd(Count_, 1);
        Sum_ += X;
        SumSq_ += X * X;
        if (X < Min_) {
            Min_ = X;
        }
        if (X > Max_) {
            Max_ = X;
        }
        Last_ = X;
    }
    // Same result, to the last bit, as Count calls of Add(X). REQUIRES: Count >= 0.
    void AddMany(double X, int64_t Count);

    int64_t Count() const { return Count_; }
    double Sum() const { return Sum_; }
    double SumSq() const { return SumSq_; }
    double Last() const { return Last_; }
    // Sum / Count, or 0 with no observation.
    double Avg() const;
    // Sample standard deviation sqrt((SumSq - Sum^2/Count) / (Count - 1)); 0 when Count <= 1 or
    // when rounding makes the variance zero or negative.
    double Stdev() const;
    // The extremes, or 0 with no observation.
    double Min() const { return Count_ > 0 ? Min_ : 0.0; }
    double Max() const { return Count_ > 0 ? Max_ : 0.0; }

private:
    friend class TBlockAdder;

    int64_t Count_ = 0;
    double Sum_ = 0;
    double Min_ = 1e300;
    double Max_ = -1e300;
    double SumSq_ = 0;
    double Last_ = 0;
};

// Counts of observations by a non-negative integer value (the service time in periods).
// Grows on demand; Size never shrinks.
class THistogram {
public:
    // REQUIRES: Buckets >= 0.
    explicit THistogram(int Buckets);

    // Keeps the allocation, empties every bucket.
    void Reset();
    // Records one observation K. A negative K is refused (false) and changes nothing.
    bool Add(int64_t K) { return AddMany(K, 1); }
    // Records Count observations of K. Refuses a negative K or Count (false).
    bool AddMany(int64_t K, int64_t Count)
    {
        if (K < 0 || Count < 0) {
            return false;
        }
        if (Count == 0) {
            return true;
        }
        if (K >= Size()) {
            Counts_.resize(static_cast<std::size_t>(K) + 1, 0);
        }
        int64_t& Bucket = Counts_[static_cast<std::size_t>(K)];
        Bucket = SaturatingAdd(Bucket, Count);
        Total_ = SaturatingAdd(Total_, Count);
        Used_ = std::max(Used_, K + 1);
        MaxCount_ = std::max(MaxCount_, Bucket);
        return true;
    }

    // Observations equal to K; 0 for K < 0 or K >= Used.
    int64_t Freq(int64_t K) const;
    // Freq(K) / Total in [0, 1]; 0 for K < 0, K >= Used or an empty histogram.
    double Fraction(int64_t K) const;

    int64_t Size() const { return static_cast<int64_t>(Counts_.size()); }
    int64_t Used() const { return Used_; }
    int64_t Total() const { return Total_; }
    int64_t MaxCount() const { return MaxCount_; }

private:
    std::vector<int64_t> Counts_;
    int64_t Used_ = 0;
    int64_t Total_ = 0;
    int64_t MaxCount_ = 0;
};

// Metric indexes of the catalogue; MetricNames holds their texts.
enum TMetric : int {
    MetricTotalCost = 0,
    MetricOrderCost = 1,
    MetricHoldingCost = 2,
    MetricWIPHoldingCost = 3,
    MetricStockoutCost = 4,
    MetricDemand = 5,
    MetricDerivedDemand = 6,
    MetricOrderQty = 7,
    MetricInvLevel = 8,
    MetricBackorders = 9,
    MetricOnOrder = 10,
    MetricInProcess = 11,
    MetricType1SL = 12,
    MetricFillRate = 13,
    MetricWithinCST = 14,
    MetricFailed = 15,
    MetricServTimeHistogram = 16,
};
inline constexpr int NumMetrics = 16;  // accumulators; the names table has one more entry

// "Total Cost" ... "Failed", then "Serv Time Histogram" (index 16).
extern const std::array<std::string, NumMetrics + 1> MetricNames;

// What TStats::Value reads of a metric's accumulator.
enum class TStatistic { Avg, Stdev, Min, Max, Count };

// The statistics of one stage: sixteen accumulators and the service-time histogram.
class TStats {
public:
    TStats();

    void Reset();
    // The accumulator of metric Index, or nullptr outside 0..15.
    TMinMaxAvg* Get(int Index)
    {
        return (Index >= 0 && Index < NumMetrics) ? &Metrics_[static_cast<std::size_t>(Index)] : nullptr;
    }
    const TMinMaxAvg* Get(int Index) const
    {
        return (Index >= 0 && Index < NumMetrics) ? &Metrics_[static_cast<std::size_t>(Index)] : nullptr;
    }
    THistogram& Histogram() { return Hist_; }
    const THistogram& Histogram() const { return Hist_; }

    // Statistic of metric Index; 0 for a metric without accumulator.
    double Value(int Index, TStatistic Statistic) const;
    // Value formatted "%<Width>.<Decimals>f" (never cut), with the given decimal separator.
    std::string FormatValue(int Index, TStatistic Statistic, int Width, int Decimals, char DecimalSep = '.') const;

private:
    std::array<TMinMaxAvg, NumMetrics> Metrics_;
    THistogram Hist_;
};

// Adds a value per period to each of several metrics of one TStats, a block of periods at a time:
// the values wait in rows, and a block's additions then run metric beside metric with the sums
// held in registers, instead of a load and a store of every sum at every addition. Every metric
// gets the same additions in the same order as by TMinMaxAvg::Add, so its statistics agree to the
// bit, once Flush has added the rows still held.
class TBlockAdder {
public:
    static constexpr int MaxMetrics = 12;
    static constexpr int BlockRows = 16;

    // The rows fill metrics Metrics of Stats, in that order (at most MaxMetrics); any rows held
    // are dropped.
    void Start(TStats& Stats, std::span<const int> Metrics);
    // The next period's row, to be written for every metric; a full block is added first.
    double* NextRow()
    {
        if (Rows_ == BlockRows) {
            Flush();
        }
        return Values_[static_cast<std::size_t>(Rows_++)].data();
    }
    // The row NextRow last gave. REQUIRES: a NextRow since the last Start or Flush.
    double* CurrentRow() { return Values_[static_cast<std::size_t>(Rows_ - 1)].data(); }
    // Adds every row held, in order.
    void Flush();

    // Whether blocks are added four lanes at a time, on processors with 256-bit vectors, rather
    // than two; the bits are the same. Not allowing it, for every adder, lets the two be compared.
    static bool WideLanes();
    static void AllowWideLanes(bool Allow);

private:
    // Adds the rows held to the lanes' sums and extremes.
    void AddRows(std::array<double, MaxMetrics>& Sum, std::array<double, MaxMetrics>& SumSq,
                 std::array<double, MaxMetrics>& Min, std::array<double, MaxMetrics>& Max) const;

    TStats* Stats_ = nullptr;
    int NumMetrics_ = 0;
    std::array<int, MaxMetrics> Metrics_{};
    int Rows_ = 0;
    // Every lane written (unused ones stay zero), so that a block adds all MaxMetrics lanes alike.
    std::array<std::array<double, MaxMetrics>, BlockRows> Values_{};
};

// Zeros and ones for one accumulator (a shipment served from stock or not, within its committed
// time or not), tallied as they come and added in one step. Adding 0 and 1 gives the same sums,
// extremes and count in any order, so the tally adds them as two runs, ending with the last
// value seen: to the last bit what adding each as it came gives.
class TZeroOneTally {
public:
    // Tallies Count observations of One ? 1 : 0. Count <= 0 tallies nothing.
    void Add(bool One, int64_t Count)
    {
        if (Count > 0) {
            int64_t& Tally = One ? Ones_ : Zeros_;
            Tally = SaturatingAdd(Tally, Count);
            LastIsOne_ = One;
        }
    }
    // Adds the tally to Target and empties it.
    void AddTo(TMinMaxAvg& Target);
    void Clear() { *this = {}; }

    // Makes One the value seen last. REQUIRES: a value One has been tallied.
    void MarkLast(bool One) { LastIsOne_ = One; }

private:
    int64_t Zeros_ = 0;
    int64_t Ones_ = 0;
    bool LastIsOne_ = false;
};

// A stage's shipments over a run by service time (periods from order to shipment), added in one
// step to the service-time histogram and the fill-rate (shipped at once) and within-committed-
// time accumulators. Shipments come many times per period, almost all after a few periods, so
// those are counted in a small array at the cost of one add each. The histogram's and the
// tallies' results do not depend on the order of the adds and the last shipment is kept, so
// the result is to the last bit that of adding each shipment as it came.
class TShipmentTally {
public:
    // Tallies Count orders shipped after ServiceTime periods; the committed time is the one
    // AddTo will be given. Count <= 0 tallies nothing.
    void Add(int64_t ServiceTime, int64_t Count, int64_t CommittedTime)
    {
        if (Count <= 0) {
            return;
        }
        Last_ = ServiceTime;
        Any_ = true;
        if (static_cast<uint64_t>(ServiceTime) < ShortTimes) {
            int64_t& Short = Short_[static_cast<std::size_t>(ServiceTime)];
            Short = SaturatingAdd(Short, Count);
        } else {
            AddLong(ServiceTime, Count, CommittedTime);
        }
    }
    // Adds the tally to the three accumulators and empties it.
    void AddTo(THistogram& Histogram, TMinMaxAvg& FillRate, TMinMaxAvg& WithinCST, int64_t CommittedTime);
    void Clear();

private:
    void AddLong(int64_t ServiceTime, int64_t Count, int64_t CommittedTime);

    static constexpr uint64_t ShortTimes = 64;
    std::array<int64_t, ShortTimes> Short_{};
    // Shipments after ShortTimes periods or more (or, never in a run, a negative service time),
    // and their fill-rate and within-CST flags; AddTo adds the short ones to the flags' tallies.
    THistogram Long_{0};
    TZeroOneTally FillRate_;
    TZeroOneTally WithinCST_;
    int64_t Last_ = 0;
    bool Any_ = false;
};

// Batch-results heading: the metric's name without blanks, then Suffix, then ":" and StageNum
// when StageNum is not 0; right-aligned in Width (a longer text stays whole).
std::string MetricLabel(int Index, const std::string& Suffix, int StageNum, int Width);
