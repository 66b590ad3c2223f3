#pragma once
#include <cstdint>

// The pseudo-random generator of a model. One sequence per model: consecutive runs with a
// negative seed continue it, resetting the model does not touch it, and a batch's worker copies
// each carry their own, started where the sequence would stand.
class TRandom {
public:
    // The generator state; 0 when the model is made. Setting it places the generator anywhere in
    // its sequence (where a run ended, or where a batch's trial starts).
    uint32_t State() const { return State_; }
    void SetState(uint32_t State) { State_ = State; }

    // Value 0: seed from the low 32 bits of the high-resolution clock; > 0: State() = Value;
    // < 0: leave the generator where it is.
    void Seed(int64_t Value);

    // State() = NextState(State()); returns UniformOf(State()).
    double Uniform()
    {
        State_ = NextState(State_);
        return UniformOf(State_);
    }

    // A normal draw by the polar method in extended precision, stored as a double. Every attempt
    // consumes two uniform numbers (u1 first), also when SD is 0.
    double Normal(double Mean, double SD);
    // RoundToUnits(Normal(Mean, SD)), to the unit and with the same draws, but computed in double
    // precision where its error provably cannot reach a rounding tie; near one, and for arguments
    // far out of range, it is Normal itself. A run takes one per demand draw.
    int64_t NormalUnits(double Mean, double SD);

    // The linear congruential step: State * Multiplier + Increment (mod 2^32).
    static constexpr uint32_t Multiplier = 134775813u;
    static constexpr uint32_t Increment = 1u;
    static uint32_t NextState(uint32_t State) { return State * Multiplier + Increment; }
    // The uniform number a state stands for: State * 2^-32, in [0, 1).
    static double UniformOf(uint32_t State) { return static_cast<double>(State) * 0x1p-32; }
    // The state Steps draws after State, in O(log Steps).
    static uint32_t Advance(uint32_t State, uint64_t Steps);
    // Whether the polar method accepts the attempt whose two uniform draws leave the states
    // State1 and State2 (u1 from State1): s = u2^2 + u1^2 with 0 < s < 1, in the same extended
    // precision as Normal.
    static bool PolarAccepts(uint32_t State1, uint32_t State2) { return PolarAccepts(PolarSum(State1, State2)); }
    // The attempt's s times 2^64, exactly: a 65-bit integer, as its low 64 bits and its top bit.
    struct TPolarSum {
        uint32_t State1 = 0;
        uint32_t State2 = 0;
        uint64_t Low = 0;
        bool Carry = false;
    };
    static TPolarSum PolarSum(uint32_t State1, uint32_t State2);
    static bool PolarAccepts(const TPolarSum& Sum);

private:
    uint32_t State_ = 0;
};

// The natural logarithm of X in (0, 1), to the bit what std::log gives for a long double there,
// without the library call: on x87 in the same two instructions and the same choice between
// them, elsewhere std::log itself. The polar method takes a logarithm per normal draw.
// REQUIRES: 0 < X < 1.
long double LogOfFraction(long double X);
