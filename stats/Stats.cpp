#include "stats/Stats.h"

#include <atomic>
#include <cmath>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ORVANTIS_WIDE_LANES 1
#endif

#include "text/NumberText.h"
#include "text/Padding.h"
#include "stats/RepeatedSum.h"

const std::array<std::string, NumMetrics + 1> MetricNames = {
    "Total Cost", "Order Cost", "Holding Cost", "WIP Holding Cost", "Stockout Cost", "Demand",
    "Derived Demand", "Order Qty", "Inv Level", "Backorders", "On Order", "In Process", "Type1SL",
    "Fill Rate", "Within CST", "Failed", "Serv Time Histogram",
};

namespace {

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

void TZeroOneTally::AddTo(TMinMaxAvg& Target)
{
    if (LastIsOne_) {
        Target.AddMany(0.0, Zeros_);
        Target.AddMany(1.0, Ones_);
    } else {
        Target.AddMany(1.0, Ones_);
        Target.AddMany(0.0, Zeros_);
    }
    Clear();
}

void TShipmentTally::AddLong(int64_t ServiceTime, int64_t Count, int64_t CommittedTime)
{
    Long_.AddMany(ServiceTime, Count);
    FillRate_.Add(ServiceTime == 0, Count);
    WithinCST_.Add(ServiceTime <= CommittedTime, Count);
}

void TShipmentTally::AddTo(THistogram& Histogram, TMinMaxAvg& FillRate, TMinMaxAvg& WithinCST, int64_t CommittedTime)
{
    for (int64_t K = 0; K < static_cast<int64_t>(ShortTimes); ++K) {
        const int64_t Count = Short_[static_cast<std::size_t>(K)];
        Histogram.AddMany(K, Count);
        FillRate_.Add(K == 0, Count);
        WithinCST_.Add(K <= CommittedTime, Count);
    }
    for (auto K = static_cast<int64_t>(ShortTimes); K < Long_.Used(); ++K) {
        Histogram.AddMany(K, Long_.Freq(K));
    }
    if (Any_) {
        FillRate_.MarkLast(Last_ == 0);
        WithinCST_.MarkLast(Last_ <= CommittedTime);
    }
    FillRate_.AddTo(FillRate);
    WithinCST_.AddTo(WithinCST);
    Clear();
}

void TShipmentTally::Clear()
{
    Short_.fill(0);
    Long_.Reset();
    FillRate_.Clear();
    WithinCST_.Clear();
    Last_ = 0;
    Any_ = false;
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

void TBlockAdder::Start(TStats& Stats, std::span<const int> Metrics)
{
    Stats_ = &Stats;
    NumMetrics_ = 0;
    for (const int M : Metrics) {
        if (NumMetrics_ < MaxMetrics && Stats.Get(M) != nullptr) {
            Metrics_[static_cast<std::size_t>(NumMetrics_++)] = M;
        }
    }
    Rows_ = 0;
    Values_ = {};
}

#if defined(ORVANTIS_WIDE_LANES)
namespace {

std::atomic<bool> WideLanesAllowed{true};

bool HasWideLanes()
{
    static const bool Has = __builtin_cpu_supports("avx") != 0;
    return Has;
}

using TRows = std::array<std::array<double, TBlockAdder::MaxMetrics>, TBlockAdder::BlockRows>;
using TLanes = std::array<double, TBlockAdder::MaxMetrics>;

// The rows added four lanes at a time in 256-bit vectors: every lane gets the same operations in
// the same order as two at a time, so the same bits, with half the instructions.
__attribute__((target("avx"))) void AddRowsWide(const TRows& Values, std::size_t Rows, TLanes& Sum, TLanes& SumSq,
                                                TLanes& Min, TLanes& Max)
{
    static_assert(TBlockAdder::MaxMetrics == 12, "three groups of four lanes");
    __m256d S[3];
    __m256d Q[3];
    __m256d Lo[3];
    __m256d Hi[3];
    for (std::size_t P = 0; P < 3; ++P) {
        S[P] = _mm256_loadu_pd(&Sum[4 * P]);
        Q[P] = _mm256_loadu_pd(&SumSq[4 * P]);
        Lo[P] = _mm256_loadu_pd(&Min[4 * P]);
        Hi[P] = _mm256_loadu_pd(&Max[4 * P]);
    }
    for (std::size_t R = 0; R < Rows; ++R) {
        for (std::size_t P = 0; P < 3; ++P) {
            const __m256d X = _mm256_loadu_pd(&Values[R][4 * P]);
            S[P] = _mm256_add_pd(S[P], X);
            Q[P] = _mm256_add_pd(Q[P], _mm256_mul_pd(X, X));
            Lo[P] = _mm256_min_pd(X, Lo[P]);
            Hi[P] = _mm256_max_pd(X, Hi[P]);
        }
    }
    for (std::size_t P = 0; P < 3; ++P) {
        _mm256_storeu_pd(&Sum[4 * P], S[P]);
        _mm256_storeu_pd(&SumSq[4 * P], Q[P]);
        _mm256_storeu_pd(&Min[4 * P], Lo[P]);
        _mm256_storeu_pd(&Max[4 * P], Hi[P]);
    }
}

}  // namespace
#endif

bool TBlockAdder::WideLanes()
{
#if defined(ORVANTIS_WIDE_LANES)
    return WideLanesAllowed.load(std::memory_order_relaxed) && HasWideLanes();
#else
    return false;
#endif
}

void TBlockAdder::AllowWideLanes([[maybe_unused]] bool Allow)
{
#if defined(ORVANTIS_WIDE_LANES)
    WideLanesAllowed.store(Allow, std::memory_order_relaxed);
#endif
}

void TBlockAdder::AddRows(std::array<double, MaxMetrics>& Sum, std::array<double, MaxMetrics>& SumSq,
                          std::array<double, MaxMetrics>& Min, std::array<double, MaxMetrics>& Max) const
{
    // Each lane's additions are its metric's, in period order; lanes are independent, so two at a
    // time in a vector register give the same bits. Min and max as Add has them: X < Min ? X : Min
    // is exactly what the minimum instruction does (a NaN leaves Min), likewise for the maximum.
    const auto Rows = static_cast<std::size_t>(Rows_);
#if defined(ORVANTIS_WIDE_LANES)
    if (WideLanes()) {
        AddRowsWide(Values_, Rows, Sum, SumSq, Min, Max);
        return;
    }
#endif
#if defined(__SSE2__)
    // Three pairs of lanes at a time: their four sums stay in twelve registers.
    for (std::size_t First = 0; First < static_cast<std::size_t>(NumMetrics_); First += 6) {
        __m128d S[3];
        __m128d Q[3];
        __m128d Lo[3];
        __m128d Hi[3];
        for (std::size_t P = 0; P < 3; ++P) {
            S[P] = _mm_loadu_pd(&Sum[First + 2 * P]);
            Q[P] = _mm_loadu_pd(&SumSq[First + 2 * P]);
            Lo[P] = _mm_loadu_pd(&Min[First + 2 * P]);
            Hi[P] = _mm_loadu_pd(&Max[First + 2 * P]);
        }
        for (std::size_t R = 0; R < Rows; ++R) {
            for (std::size_t P = 0; P < 3; ++P) {
                const __m128d X = _mm_loadu_pd(&Values_[R][First + 2 * P]);
                S[P] = _mm_add_pd(S[P], X);
                Q[P] = _mm_add_pd(Q[P], _mm_mul_pd(X, X));
                Lo[P] = _mm_min_pd(X, Lo[P]);
                Hi[P] = _mm_max_pd(X, Hi[P]);
            }
        }
        for (std::size_t P = 0; P < 3; ++P) {
            _mm_storeu_pd(&Sum[First + 2 * P], S[P]);
            _mm_storeu_pd(&SumSq[First + 2 * P], Q[P]);
            _mm_storeu_pd(&Min[First + 2 * P], Lo[P]);
            _mm_storeu_pd(&Max[First + 2 * P], Hi[P]);
        }
    }
#else
    for (std::size_t R = 0; R < Rows; ++R) {
        for (std::size_t M = 0; M < static_cast<std::size_t>(MaxMetrics); ++M) {
            const double X = Values_[R][M];
            Sum[M] += X;
            SumSq[M] += X * X;
            Min[M] = X < Min[M] ? X : Min[M];
            Max[M] = X > Max[M] ? X : Max[M];
        }
    }
#endif
}

void TBlockAdder::Flush()
{
    if (Rows_ == 0 || Stats_ == nullptr) {
        Rows_ = 0;
        return;
    }
    std::array<double, MaxMetrics> Sum{};
    std::array<double, MaxMetrics> SumSq{};
    std::array<double, MaxMetrics> Min{};
    std::array<double, MaxMetrics> Max{};
    const auto Used = static_cast<std::size_t>(NumMetrics_);
    for (std::size_t M = 0; M < Used; ++M) {
        const TMinMaxAvg& A = *Stats_->Get(Metrics_[M]);
        Sum[M] = A.Sum_;
        SumSq[M] = A.SumSq_;
        Min[M] = A.Min_;
        Max[M] = A.Max_;
    }
    AddRows(Sum, SumSq, Min, Max);
    const std::array<double, MaxMetrics>& Last = Values_[static_cast<std::size_t>(Rows_ - 1)];
    for (std::size_t M = 0; M < Used; ++M) {
        TMinMaxAvg& A = *Stats_->Get(Metrics_[M]);
        A.Count_ += Rows_;
        A.Sum_ = Sum[M];
        A.SumSq_ = SumSq[M];
        A.Min_ = Min[M];
        A.Max_ = Max[M];
        A.Last_ = Last[M];
    }
    Rows_ = 0;
}
