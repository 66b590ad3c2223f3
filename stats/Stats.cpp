#include "stats/Stats.h"

#include <cmath>
#include <limits>

#include "text/NumberText.h"
#include "text/Padding.h"
#include "stats/RepeatedSum.h"

const std::array<std::string, NumMetrics + 1> MetricNames = {
    "Total Cost", "Order Cost", "Holding Cost", "WIP Holding Cost", "Stockout Cost", "Demand",
    "Derived Demand", "Order Qty", "Inv Level", "Backorders", "On Order", "In Process", "Type1SL",
    "Fill Rate", "Within CST", "Failed", "Serv Time Histogram",
};

namespace {

// Counts of observations stop at the largest 64-bit value instead of overflowing.
int64_t SaturatingAdd(int64_t A, int64_t B)
{
    int64_t Sum = 0;
    return __builtin_add_overflow(A, B, &Sum) ? std::numeric_limits<int64_t>::max() : Sum;
}

// A whole number below 2^50 in magnitude: adding a count below 2^50 to it is exact.
bool IsSmallWhole(double Value)
{
    return std::fabs(Value) < 0x1p50 && static_cast<double>(static_cast<int64_t>(Value)) == Value;
}

}  // namespace

void TMinMaxAvg::Reset()
{
    Count_ = 0;
    Sum_ = 0;
    Min_ = 1e300;
    Max_ = -1e300;
    SumSq_ = 0;
    Last_ = 0;
}

void TMinMaxAvg::AddMany(double X, int64_t Count)
{
    if (Count <= 0) {
        return;
    }
    if (Count == 1) {
        Add(X);
        return;
    }
    Count_ = SaturatingAdd(Count_, Count);
    if (X == 0) {
        // Adding zero again and again changes at most the sign of a zero sum, the first time.
        Sum_ = Sum_ + X;
        SumSq_ = SumSq_ + X * X;
    } else if (X == 1 && Sum_ == SumSq_ && IsSmallWhole(Sum_) && Count < 0x1p50) {
        // Counting ones (fill rates, service levels): whole sums, every addition exact. A series
        // of zeros and ones has equal sums, so one test covers both.
        Sum_ += static_cast<double>(Count);
        SumSq_ += static_cast<double>(Count);
    } else {
        Sum_ = AddRepeated(Sum_, X, Count);
        SumSq_ = AddRepeated(SumSq_, X * X, Count);
    }
    if (X < Min_) {
        Min_ = X;
    }
    if (X > Max_) {
        Max_ = X;
    }
    Last_ = X;
}

double TMinMaxAvg::Avg() const
{
    return Count_ > 0 ? Sum_ / static_cast<double>(Count_) : 0.0;
}

double TMinMaxAvg::Stdev() const
{
    if (Count_ <= 1) {
        return 0.0;
    }
    const double N = static_cast<double>(Count_);
    const double Variance = (SumSq_ - Sum_ * Sum_ / N) / (N - 1);
    return Variance > 0 ? std::sqrt(Variance) : 0.0;
}

THistogram::THistogram(int Buckets) : Counts_(static_cast<std::size_t>(Buckets > 0 ? Buckets : 0), 0) {}

void THistogram::Reset()
{
    std::fill(Counts_.begin(), Counts_.end(), 0);
    Used_ = 0;
    Total_ = 0;
    MaxCount_ = 0;
}

bool THistogram::AddMany(int64_t K, int64_t Count)
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
    if (K + 1 > Used_) {
        Used_ = K + 1;
    }
    if (Bucket > MaxCount_) {
        MaxCount_ = Bucket;
    }
    return true;
}

int64_t THistogram::Freq(int64_t K) const
{
    return (K < 0 || K >= Used_) ? 0 : Counts_[static_cast<std::size_t>(K)];
}

double THistogram::Fraction(int64_t K) const
{
    if (K < 0 || K >= Used_ || Total_ == 0) {
        return 0.0;
    }
    return static_cast<double>(Counts_[static_cast<std::size_t>(K)]) / static_cast<double>(Total_);
}

TStats::TStats() : Hist_(10) {}

void TStats::Reset()
{
    for (TMinMaxAvg& M : Metrics_) {
        M.Reset();
    }
    Hist_.Reset();
}

double TStats::Value(int Index, TStatistic Statistic) const
{
    const TMinMaxAvg* M = Get(Index);
    if (M == nullptr) {
        return 0.0;
    }
    switch (Statistic) {
    case TStatistic::Avg:
        return M->Avg();
    case TStatistic::Stdev:
        return M->Stdev();
    case TStatistic::Min:
        return M->Min();
    case TStatistic::Max:
        return M->Max();
    case TStatistic::Count:
        return static_cast<double>(M->Count());
    }
    return 0.0;
}

std::string TStats::FormatValue(int Index, TStatistic Statistic, int Width, int Decimals, char DecimalSep) const
{
    return FormatFixedWidth(Value(Index, Statistic), Width, Decimals, DecimalSep);
}

std::string MetricLabel(int Index, const std::string& Suffix, int StageNum, int Width)
{
    std::string Label = (Index >= 0 && Index <= NumMetrics) ? RemoveSpaces(MetricNames[static_cast<std::size_t>(Index)]) : "";
    Label += Suffix;
    if (StageNum != 0) {
        Label += ":" + std::to_string(StageNum);
    }
    return PadStr(Label, Width, 'r');
}
