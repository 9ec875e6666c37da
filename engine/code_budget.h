#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/glow_code.h"

namespace ombrel {

// The memory that a display's glow frames may keep while a screen shows them
// in step with the clock: the worker waits for room before it makes the
// next frame, and the screen makes room by letting go of the frames it has
// passed. The limit bounds the frames of a morph by memory, not by its
// length; a frame may go one over it. Without a screen in step (start-up,
// nothing in sight, the frames tool) nothing waits.
class TCodeBudget {
public:
    explicit TCodeBudget(int64_t limit = 0) : Limit(limit) {}
    TCodeBudget(const TCodeBudget&) = delete;
    TCodeBudget& operator=(const TCodeBudget&) = delete;

    void SetLimit(int64_t limit);
    // Whether a screen lets go of passed frames; lowered, no one waits.
    void SetPaced(bool paced);
    // Waits while paced and at or over the limit, until `cancel` is raised
    // (then false) or there is room.
    bool WaitForRoom(const std::atomic<bool>& cancel);
    // `code`, its bytes counted until the last copy of what this returns is gone.
    static std::shared_ptr<const TGlowCode> Counted(const std::shared_ptr<TCodeBudget>& budget,
                                                    std::shared_ptr<const TGlowCode> code);
    int64_t Held() const;

private:
    void Give(int64_t bytes);

    mutable std::mutex Lock;
    std::condition_variable Room;
    int64_t Limit;
    int64_t Kept = 0;
    bool Paced = false;
};

}  // namespace ombrel
