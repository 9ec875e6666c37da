#pragma once
#include <functional>

namespace ombrel {

// Lowers the calling thread's scheduling priority: the worker's frames are
// needed seconds later, the repaints every 40 ms.
void RunInBackground() noexcept;

// work(t) for every t in [0, threads), each on a background thread of its
// own where one can be started, the calling thread taking t = 0 and any
// that could not. Returns once every part has ended; the first exception
// that a part threw is then thrown here, on the calling thread.
void OnThreads(int threads, const std::function<void(int)>& work);

}  // namespace ombrel
