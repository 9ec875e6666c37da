#pragma once
#include <cstdint>

namespace ombrel {

// The process-wide linear congruential generator: state := state * 134775813 + 1 (mod 2^32).
class TRandom {
public:
    explicit TRandom(uint32_t seed = 0) noexcept : State(seed) {}

    void Seed(uint32_t seed) noexcept { State = seed; }
    uint32_t GetState() const noexcept { return State; }

    uint32_t Next() noexcept {
        State = State * 134775813u + 1u;
        return State;
    }
    // As n calls of Next, in O(log n).
    void Skip(uint64_t n) noexcept {
        uint32_t mul = 1, add = 0, stepMul = 134775813u, stepAdd = 1u;
        for (; n != 0; n >>= 1) {
            if (n & 1) {
                mul *= stepMul;
                add = add * stepMul + stepAdd;
            }
            stepAdd = stepAdd * stepMul + stepAdd;
            stepMul *= stepMul;
        }
        State = State * mul + add;
    }
    // floor(state * n / 2^32): the high bits, never the low ones.
    uint32_t Integer(uint32_t n) noexcept {
        return static_cast<uint32_t>((static_cast<uint64_t>(Next()) * n) >> 32);
    }
    // state / 2^32, in [0, 1) with steps of 2^-32.
    double Real() noexcept { return static_cast<double>(Next()) * (1.0 / 4294967296.0); }

private:
    uint32_t State;
};

// Low 32 bits of the monotonic high-resolution clock, or the millisecond tick count.
uint32_t SeedFromClock() noexcept;

}  // namespace ombrel
