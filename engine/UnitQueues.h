#pragma once
#include <cstdint>
#include <deque>
#include <limits>

// The run state of a stage is held in queues of runs of identical units: a run is a count of
// units that agree in every field, so memory and time do not grow with the number of units.
// Every rule below gives exactly what a queue of single units would give.

// Most units one queue of a stage holds. Orders multiply in networks where several suppliers
// feed several customers (every raw material receives the whole order), so counts could
// otherwise outgrow 64 bits; beyond this physical nonsense further units are dropped. Far enough
// inside the 64-bit range that sums of a few queues (inventory position, availability over 25
// suppliers) cannot overflow either.
inline constexpr int64_t MaxQueueUnits = int64_t{1} << 58;

// The not-started mark of a pipeline unit.
inline constexpr int32_t NotStarted = 2000000000;
// "No period condition" for the order window.
inline constexpr int64_t AnyPeriod = std::numeric_limits<int64_t>::max();

// Orders received and not yet shipped, oldest first.
struct TOrderRun {
    int64_t Count = 0;
    int32_t CustomerKey = 0;  // StageNum of the ordering stage; 0 for external demand
    int32_t Period = 0;       // in which the orders were placed
    bool Seen = false;        // counted as new demand by the stage's ordering step
};

class TDemandList {
public:
    int64_t Count() const { return Total_; }
    bool Empty() const { return Total_ == 0; }
    const std::deque<TOrderRun>& Runs() const { return Runs_; }

    // Appends Count new orders at the tail, as many as the queue can still hold (MaxQueueUnits);
    // returns how many. Count <= 0 adds nothing.
    int64_t Append(int64_t Count, int32_t CustomerKey, int32_t Period);
    // Marks every new order seen; returns how many there were. New orders are always the
    // newest ones, so only the tail is walked.
    int64_t MarkNewAsSeen();

    // Orders of CustomerKey placed no later than MaxPeriod among the first Window orders.
    int64_t CountInWindow(int64_t Window, int32_t CustomerKey, int64_t MaxPeriod) const;
    // Index of the run that holds the first such order, or -1.
    int64_t FindInWindow(int64_t Window, int32_t CustomerKey, int64_t MaxPeriod) const;
    // Removes up to Max such orders, first ones first, and calls Visit(Count, Period) for each
    // piece taken (in list order). Returns the number removed.
    template <typename TVisit>
    int64_t TakeInWindow(int64_t Window, int32_t CustomerKey, int64_t MaxPeriod, int64_t Max, TVisit&& Visit);
    // Removes Count orders from the head run. REQUIRES: 0 < Count <= head run's count.
    void TakeFromHead(int64_t Count);

    void Clear();

private:
    std::deque<TOrderRun> Runs_;
    int64_t Total_ = 0;
};

// Units this stage ordered and not yet finished, in ordering order. A unit's failure delay is
// the number of failed periods of the stage since it entered: one counter for the stage and
// the counter's value at entry, so a failed period costs O(1) instead of a pass over the queue.
struct TPipelineRun {
    int64_t Count = 0;
    int32_t OrderedPeriod = 0;
    int32_t Start = NotStarted;  // period processing started
    int64_t FailBase = 0;        // the stage's failure counter when the units entered
};

class TPipeline {
public:
    int64_t Count() const { return Total_; }
    int64_t Started() const { return Started_; }
    const std::deque<TPipelineRun>& Runs() const { return Runs_; }
    int64_t Delay(const TPipelineRun& Run) const { return FailCount_ - Run.FailBase; }

    // Count new units ordered in Period, not started, delay 0, as many as the queue can still
    // hold (MaxQueueUnits); returns how many. Count <= 0 adds nothing.
    int64_t Append(int64_t Count, int32_t Period);
    // Starts up to Max of the oldest units not yet started, in period Period; returns how many.
    int64_t StartUnits(int64_t Max, int32_t Period);
    // Adds one period of delay to every unit in the queue.
    void AddFailureDelay() { ++FailCount_; }
    // A unit is complete in period T when T - start - delay >= ProcTime.
    bool IsComplete(const TPipelineRun& Run, int32_t T, int32_t ProcTime) const;
    // Units at the head complete in T, counted up to the first that is not.
    int64_t CountCompleteAtHead(int32_t T, int32_t ProcTime) const;
    // Removes those units and returns how many.
    int64_t TakeCompleteAtHead(int32_t T, int32_t ProcTime);

    void Clear();

private:
    std::deque<TPipelineRun> Runs_;
    int64_t Total_ = 0;
    int64_t Started_ = 0;
    int64_t FailCount_ = 0;
};

template <typename TVisit>
int64_t TDemandList::TakeInWindow(int64_t Window, int32_t CustomerKey, int64_t MaxPeriod, int64_t Max, TVisit&& Visit)
{
    // Taking an order inside the window and one unit of stock shrinks the window by exactly that
    // order, so all takes of one call may be made against the window as it stands now.
    int64_t Taken = 0;
    int64_t Seen = 0;
    for (auto It = Runs_.begin(); It != Runs_.end() && Seen < Window && Taken < Max;) {
        const int64_t InWindow = std::min(It->Count, Window - Seen);
        Seen += It->Count;
        if (It->CustomerKey == CustomerKey && It->Period <= MaxPeriod) {
            const int64_t Take = std::min(InWindow, Max - Taken);
            Visit(Take, It->Period);
            Taken += Take;
            Total_ -= Take;
            It->Count -= Take;
            // The window keeps its place: what was taken no longer counts toward it.
            Seen -= Take;
            Window -= Take;
            if (It->Count == 0) {
                if (It == Runs_.begin()) {
                    Runs_.pop_front();
                    It = Runs_.begin();
                } else {
                    It = Runs_.erase(It);
                }
                continue;
            }
        }
        ++It;
    }
    return Taken;
}
