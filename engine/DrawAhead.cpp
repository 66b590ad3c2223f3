#include "engine/DrawAhead.h"

#include <climits>

TDrawAhead::TDrawAhead(std::size_t DemandWidth, std::size_t FailureWidth, int32_t Periods, TDraw Draw)
    : DemandWidth_(DemandWidth),
      Periods_(Periods),
      LinesPerRecord_((DemandWidth * sizeof(int64_t) + FailureWidth + CacheLine - 1) / CacheLine),
      Draw_(std::move(Draw)),
      Ring_(static_cast<std::size_t>(RingPeriods) * (LinesPerRecord_ > 0 ? LinesPerRecord_ : 1))
{
    Thread_ = std::thread([this] { DrawAll(); });
}

TDrawAhead::~TDrawAhead()
{
    if (Thread_.joinable()) {
        Stop_.store(true, std::memory_order_relaxed);
        Consumed_.store(INT_MAX, std::memory_order_release);  // wakes a drawing thread that waits for room
        Consumed_.notify_one();
        Thread_.join();
    }
}

void TDrawAhead::DrawAll()
{
    try {
        int32_t FreedSeen = 0;
        for (int32_t P = 0; P < Periods_; ++P) {
            // The slot of period P is free once the reader is done with period P - RingPeriods.
            while (P - FreedSeen >= RingPeriods) {
                Consumed_.wait(FreedSeen, std::memory_order_acquire);
                FreedSeen = Consumed_.load(std::memory_order_acquire);
            }
            if (Stop_.load(std::memory_order_relaxed)) {
                return;
            }
            unsigned char* Record = RecordOf(P);
            Draw_(reinterpret_cast<int64_t*>(Record), Record + DemandWidth_ * sizeof(int64_t));
            Produced_.store(P + 1, std::memory_order_release);
            Produced_.notify_one();
        }
    } catch (...) {
        DrawError_ = std::current_exception();
        Produced_.store(DrawFailed, std::memory_order_release);
        Produced_.notify_one();
    }
}

TDrawAhead::TRecord TDrawAhead::Next()
{
    if (Taken_ > 0 && Taken_ % FreeStep == 0) {
        Consumed_.store(Taken_, std::memory_order_release);  // every record before this call is done
        Consumed_.notify_one();
    }
    while (Taken_ >= ProducedSeen_) {
        Produced_.wait(ProducedSeen_, std::memory_order_acquire);
        ProducedSeen_ = Produced_.load(std::memory_order_acquire);
        if (ProducedSeen_ == DrawFailed) {
            Finish();
        }
    }
    // A record comes from the other core's cache: ask for one a few periods ahead now, so that
    // it has arrived when its period comes.
    if (Taken_ + PrefetchAhead < ProducedSeen_) {
        const unsigned char* Later = RecordOf(Taken_ + PrefetchAhead);
        for (std::size_t Line = 0; Line < LinesPerRecord_; ++Line) {
            __builtin_prefetch(Later + Line * CacheLine);
        }
    }
    unsigned char* Record = RecordOf(Taken_++);
    return {reinterpret_cast<const int64_t*>(Record), Record + DemandWidth_ * sizeof(int64_t)};
}

void TDrawAhead::Finish()
{
    if (Thread_.joinable()) {
        Thread_.join();
    }
    if (DrawError_) {
        std::rethrow_exception(DrawError_);
    }
}
