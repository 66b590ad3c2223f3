#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

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

// The runs of one queue, oldest first, addressed by position (0 = oldest). A ring in one block
// of memory that grows when full and is kept when emptied, so a queue through which a run passes
// every period allocates nothing once it has reached its longest. Its operations are named as
// the standard containers' operations.
template <typename TRun>
class TRunQueue {
public:
    bool empty() const { return Size_ == 0; }
    std::size_t size() const { return Size_; }
    // REQUIRES: I < size().
    TRun& operator[](std::size_t I) { return Slots_[(Head_ + I) & Mask_]; }
    const TRun& operator[](std::size_t I) const { return Slots_[(Head_ + I) & Mask_]; }
    // REQUIRES: !empty().
    TRun& front() { return Slots_[Head_]; }
    const TRun& front() const { return Slots_[Head_]; }
    TRun& back() { return (*this)[Size_ - 1]; }

    void push_back(const TRun& Run)
    {
        if (Size_ == Slots_.size()) {
            Grow();
        }
        ++Size_;
        back() = Run;
    }
    // REQUIRES: !empty().
    void pop_front()
    {
        Head_ = (Head_ + 1) & Mask_;
        --Size_;
    }
    // Inserts Run before position I (I = size() appends); later runs move back one place.
    void insert(std::size_t I, const TRun& Run)
    {
        if (Size_ == Slots_.size()) {
            Grow();
        }
        ++Size_;
        for (std::size_t J = Size_ - 1; J > I; --J) {
            (*this)[J] = (*this)[J - 1];
        }
        (*this)[I] = Run;
    }
    // Removes the run at position I, moving the shorter side of the queue into its place.
    void erase(std::size_t I)
    {
        if (I < Size_ / 2) {
            for (std::size_t J = I; J > 0; --J) {
                (*this)[J] = (*this)[J - 1];
            }
            pop_front();
        } else {
            for (std::size_t J = I; J + 1 < Size_; ++J) {
                (*this)[J] = (*this)[J + 1];
            }
            --Size_;
        }
    }
    void clear()
    {
        Head_ = 0;
        Size_ = 0;
    }

private:
    void Grow()
    {
        std::vector<TRun> Larger(Slots_.empty() ? 8 : 2 * Slots_.size());
        for (std::size_t I = 0; I < Size_; ++I) {
            Larger[I] = (*this)[I];
        }
        Slots_.swap(Larger);
        Head_ = 0;
        Mask_ = Slots_.size() - 1;
    }

    std::vector<TRun> Slots_;  // a power of two in size
    std::size_t Head_ = 0;     // slot of position 0
    std::size_t Size_ = 0;
    std::size_t Mask_ = 0;
};

// Orders received and not yet shipped, oldest first.
struct TOrderRun {
    int64_t Count = 0;
    int32_t CustomerKey = 0;  // StageNum of the ordering stage; 0 for external demand
    int32_t Period = 0;       // in which the orders were placed
};

class TDemandList {
public:
    int64_t Count() const { return Total_; }
    bool Empty() const { return Total_ == 0; }
    const TRunQueue<TOrderRun>& Runs() const { return Runs_; }

    // Appends Count new orders at the tail, as many as the queue can still hold (MaxQueueUnits);
    // returns how many. Count <= 0 adds nothing.
    int64_t Append(int64_t Count, int32_t CustomerKey, int32_t Period);
    // Marks every new order (not yet counted as new demand by the stage's ordering step) seen;
    // returns how many there were.
    int64_t MarkNewAsSeen()
    {
        const int64_t New = NewUnits_;
        NewRuns_ = 0;
        NewUnits_ = 0;
        return New;
    }

    // Orders of CustomerKey placed no later than MaxPeriod among the first Window orders.
    int64_t CountInWindow(int64_t Window, int32_t CustomerKey, int64_t MaxPeriod) const;
    // Removes up to Max such orders, first ones first, and calls Visit(Count, Period) for each
    // piece taken (in list order). Returns the number removed.
    template <typename TVisit>
    int64_t TakeInWindow(int64_t Window, int32_t CustomerKey, int64_t MaxPeriod, int64_t Max, TVisit&& Visit);
    // Removes Count orders from the head run. REQUIRES: 0 < Count <= head run's count.
    void TakeFromHead(int64_t Count);

    void Clear();

private:
    // Whether the run at position I holds new orders: new orders are always the newest ones.
    bool IsNew(std::size_t I) const { return I + NewRuns_ >= Runs_.size(); }

    TRunQueue<TOrderRun> Runs_;
    int64_t Total_ = 0;
    std::size_t NewRuns_ = 0;  // the runs at the tail that hold new orders
    int64_t NewUnits_ = 0;     // and how many orders they hold
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
    const TRunQueue<TPipelineRun>& Runs() const { return Runs_; }
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
    TRunQueue<TPipelineRun> Runs_;
    int64_t Total_ = 0;
    int64_t Started_ = 0;
    std::size_t StartedRuns_ = 0;  // the runs at the head that have started
    int64_t FailCount_ = 0;
};

template <typename TVisit>
int64_t TDemandList::TakeInWindow(int64_t Window, int32_t CustomerKey, int64_t MaxPeriod, int64_t Max, TVisit&& Visit)
{
    // Taking an order inside the window and one unit of stock shrinks the window by exactly that
    // order, so all takes of one call may be made against the window as it stands now.
    int64_t Taken = 0;
    int64_t Seen = 0;
    for (std::size_t I = 0; I < Runs_.size() && Seen < Window && Taken < Max;) {
        TOrderRun& Run = Runs_[I];
        const int64_t InWindow = std::min(Run.Count, Window - Seen);
        Seen += Run.Count;
        if (Run.CustomerKey == CustomerKey && Run.Period <= MaxPeriod) {
            const int64_t Take = std::min(InWindow, Max - Taken);
            Visit(Take, Run.Period);
            Taken += Take;
            Total_ -= Take;
            Run.Count -= Take;
            const bool New = IsNew(I);
            if (New) {
                NewUnits_ -= Take;
            }
            // The window keeps its place: what was taken no longer counts toward it.
            Seen -= Take;
            Window -= Take;
            if (Run.Count == 0) {
                if (New) {
                    --NewRuns_;
                }
                Runs_.erase(I);
                continue;
            }
        }
        ++I;
    }
    return Taken;
}
