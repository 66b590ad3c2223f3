#include "engine/UnitQueues.h"

#include <algorithm>
#include <cassert>

int64_t TDemandList::Append(int64_t Count, int32_t CustomerKey, int32_t Period)
{
    Count = std::min(Count, MaxQueueUnits - Total_);
    if (Count <= 0) {
        return 0;
    }
    Total_ += Count;
    NewUnits_ += Count;
    if (NewRuns_ > 0) {
        TOrderRun& Tail = Runs_.back();
        if (Tail.CustomerKey == CustomerKey && Tail.Period == Period) {
            Tail.Count += Count;
            return Count;
        }
    }
    Runs_.push_back(TOrderRun{Count, CustomerKey, Period});
    ++NewRuns_;
    return Count;
}

int64_t TDemandList::CountInWindow(int64_t Window, int32_t CustomerKey, int64_t MaxPeriod) const
{
    int64_t Found = 0;
    int64_t Seen = 0;
    for (std::size_t I = 0; I < Runs_.size() && Seen < Window; ++I) {
        const TOrderRun& Run = Runs_[I];
        const int64_t InWindow = std::min(Run.Count, Window - Seen);
        if (Run.CustomerKey == CustomerKey && Run.Period <= MaxPeriod) {
            Found += InWindow;
        }
        Seen += Run.Count;
    }
    return Found;
}

void TDemandList::TakeFromHead(int64_t Count)
{
    assert(!Runs_.empty() && Count > 0 && Count <= Runs_.front().Count);
    const bool New = IsNew(0);
    Runs_.front().Count -= Count;
    Total_ -= Count;
    if (New) {
        NewUnits_ -= Count;
    }
    if (Runs_.front().Count == 0) {
        if (New) {
            --NewRuns_;
        }
        Runs_.pop_front();
    }
}

void TDemandList::Clear()
{
    Runs_.clear();
    Total_ = 0;
    NewRuns_ = 0;
    NewUnits_ = 0;
}

int64_t TPipeline::Append(int64_t Count, int32_t Period)
{
    Count = std::min(Count, MaxQueueUnits - Total_);
    if (Count <= 0) {
        return 0;
    }
    Runs_.push_back(TPipelineRun{Count, Period, NotStarted, FailCount_});
    Total_ += Count;
    return Count;
}

int64_t TPipeline::StartUnits(int64_t Max, int32_t Period)
{
    // The oldest units start first, so the started runs lead the queue: the search begins after
    // them.
    int64_t StartedNow = 0;
    for (std::size_t I = StartedRuns_; I < Runs_.size() && StartedNow < Max; ++I) {
        TPipelineRun& Run = Runs_[I];
        const int64_t Take = std::min(Run.Count, Max - StartedNow);
        if (Take < Run.Count) {
            // Split: the first Take units start, the rest of the run stays behind them.
            TPipelineRun Front = Run;
            Front.Count = Take;
            Front.Start = Period;
            Run.Count -= Take;
            Runs_.insert(I, Front);
        } else {
            Run.Start = Period;
        }
        ++StartedRuns_;
        StartedNow += Take;
    }
    Started_ += StartedNow;
    return StartedNow;
}

bool TPipeline::IsComplete(const TPipelineRun& Run, int32_t T, int32_t ProcTime) const
{
    return static_cast<int64_t>(T) - Run.Start - Delay(Run) >= ProcTime;
}

int64_t TPipeline::CountCompleteAtHead(int32_t T, int32_t ProcTime) const
{
    int64_t Complete = 0;
    for (std::size_t I = 0; I < Runs_.size() && IsComplete(Runs_[I], T, ProcTime); ++I) {
        Complete += Runs_[I].Count;
    }
    return Complete;
}

int64_t TPipeline::TakeCompleteAtHead(int32_t T, int32_t ProcTime)
{
    int64_t Complete = 0;
    while (!Runs_.empty() && IsComplete(Runs_.front(), T, ProcTime)) {
        const TPipelineRun& Head = Runs_.front();
        Complete += Head.Count;
        Total_ -= Head.Count;
        if (Head.Start != NotStarted) {
            Started_ -= Head.Count;
            --StartedRuns_;
        }
        Runs_.pop_front();
    }
    return Complete;
}

void TPipeline::Clear()
{
    Runs_.clear();
    Total_ = 0;
    Started_ = 0;
    StartedRuns_ = 0;
    FailCount_ = 0;
}
