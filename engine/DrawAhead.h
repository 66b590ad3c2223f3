#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

// The random draws of a run, made ahead of the periods on a second thread. Which numbers a period
// draws depends only on the model's structure, never on its stock, so the drawing thread can
// run ahead of the periods that use its draws; a ring of a bounded number of periods lies
// between them.
//
// A period's record is DemandWidth demands and FailureWidth failure flags; Draw fills one, period
// after period, on the drawing thread, and owns whatever it writes until the last record is
// taken (Finish).
class TDrawAhead {
public:
    using TDraw = std::function<void(int64_t* Demands, uint8_t* Failed)>;

    // Starts drawing Periods records. Throws std::system_error when no thread can be started.
    TDrawAhead(std::size_t DemandWidth, std::size_t FailureWidth, int32_t Periods, TDraw Draw);
    // Stops the drawing thread (also in mid-run) and waits for it.
    ~TDrawAhead();
    TDrawAhead(const TDrawAhead&) = delete;
    TDrawAhead& operator=(const TDrawAhead&) = delete;

    struct TRecord {
        const int64_t* Demands;
        const uint8_t* Failed;
    };
    // The next period's record, valid until the next call. Waits until it is drawn; rethrows
    // what Draw threw. REQUIRES: fewer than Periods calls so far.
    TRecord Next();
    // Waits for the drawing thread to end, after the last record was taken; rethrows what Draw
    // threw. Whatever Draw wrote is then the caller's.
    void Finish();

private:
    // Periods the ring holds: enough to ride out a scheduling hiccup, few enough to stay in the
    // second-level cache of the core that reads it (128 KB for ten stages with demand).
    static constexpr int32_t RingPeriods = 1024;
    // The reader frees slots in steps of half the ring: the drawing thread, faster than the
    // periods, then sleeps until it can draw half a ring at once, and is woken once per step.
    // Each waking costs the reader a system call, dearer still in a virtual machine; steps of 32
    // measured about 1.5 ms slower on the 25-stage benchmark.
    static constexpr int32_t FreeStep = RingPeriods / 2;
    static constexpr std::size_t CacheLine = 64;
    // How many periods ahead the reader asks for a record.
    static constexpr int32_t PrefetchAhead = 4;

    // A record: the demands, then the flags, in whole cache lines of their own, so that the
    // thread drawing one period never writes into a line the reader is reading.
    struct alignas(CacheLine) TLine {
        unsigned char Bytes[CacheLine];
    };

    void DrawAll();
    unsigned char* RecordOf(int32_t Period)
    {
        return Ring_[static_cast<std::size_t>(Period % RingPeriods) * LinesPerRecord_].Bytes;
    }

    alignas(CacheLine) const std::size_t DemandWidth_;
    const int32_t Periods_;
    const std::size_t LinesPerRecord_;
    TDraw Draw_;
    std::vector<TLine> Ring_;       // RingPeriods records
    std::exception_ptr DrawError_;  // written before Produced_ turns Failed, read after

    // Each counter on its own cache line: the drawing thread writes Produced_, the reader
    // Consumed_ and Stop_; each side keeps its own copy of the other's and reads the shared one
    // only when that copy runs out.
    static constexpr int32_t DrawFailed = -1;
    alignas(CacheLine) std::atomic<int32_t> Produced_{0};  // records drawn, or DrawFailed
    alignas(CacheLine) std::atomic<int32_t> Consumed_{0};  // records the reader is done with
    std::atomic<bool> Stop_{false};
    alignas(CacheLine) int32_t Taken_ = 0;          // the reader's records handed out
    int32_t ProducedSeen_ = 0;                      // the reader's copy of Produced_
    std::thread Thread_;
};
