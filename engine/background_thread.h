#pragma once

namespace ombrel {

// Lowers the calling thread's scheduling priority: the worker's frames are
// needed seconds later, the repaints every 40 ms.
void RunInBackground() noexcept;

}  // namespace ombrel
