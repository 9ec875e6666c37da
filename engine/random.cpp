#include "engine/random.h"

#include <chrono>
#include <ctime>

namespace ombrel {

uint32_t SeedFromClock() noexcept {
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC_RAW, &ts) == 0)
        return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000000000u +
                                     static_cast<uint64_t>(ts.tv_nsec));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

}  // namespace ombrel
