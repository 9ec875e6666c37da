#include "engine/background_thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace ombrel {

void RunInBackground() noexcept {
    // On Linux the nice value is per thread; failure only costs smoothness.
    static_cast<void>(setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10));
}

void OnThreads(int threads, const std::function<void(int)>& work) {
    std::mutex lock;
    std::exception_ptr first;
    // An exception that left a thread's function would end the process.
    const auto part = [&](int t) noexcept {
        try {
            work(t);
        } catch (...) {
            const std::scoped_lock held(lock);
            if (!first) first = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(std::max(threads - 1, 0)));
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back([&part, t] {
                RunInBackground();
                part(t);
            });
        } catch (...) {
            // No thread (or no memory for one): this one takes the rest.
            break;
        }
    }
    part(0);
    for (int t = static_cast<int>(helpers.size()) + 1; t < threads; ++t) part(t);
    for (std::thread& h : helpers) h.join();
    if (first) std::rethrow_exception(first);
}

}  // namespace ombrel
