#include "engine/code_budget.h"

namespace ombrel {

void TCodeBudget::SetLimit(int64_t limit) {
    {
        const std::lock_guard<std::mutex> hold(Lock);
        Limit = limit;
    }
    Room.notify_all();
}

void TCodeBudget::SetPaced(bool paced) {
    {
        const std::lock_guard<std::mutex> hold(Lock);
        Paced = paced;
    }
    Room.notify_all();
}

bool TCodeBudget::WaitForRoom(const std::atomic<bool>& cancel) {
    std::unique_lock<std::mutex> hold(Lock);
    Room.wait(hold, [&] { return cancel.load() || !Paced || Kept < Limit; });
    return !cancel.load();
}

std::shared_ptr<const TGlowCode> TCodeBudget::Counted(const std::shared_ptr<TCodeBudget>& budget,
                                                      std::shared_ptr<const TGlowCode> code) {
    const auto bytes = static_cast<int64_t>(code->Bytes());
    {
        const std::lock_guard<std::mutex> hold(budget->Lock);
        budget->Kept += bytes;
    }
    const TGlowCode* raw = code.get();
    return {raw, [budget, bytes, code = std::move(code)](const TGlowCode*) mutable {
                code.reset();
                budget->Give(bytes);
            }};
}

void TCodeBudget::Give(int64_t bytes) {
    {
        const std::lock_guard<std::mutex> hold(Lock);
        Kept -= bytes;
    }
    Room.notify_all();
}

int64_t TCodeBudget::Held() const {
    const std::lock_guard<std::mutex> hold(Lock);
    return Kept;
}

}  // namespace ombrel
