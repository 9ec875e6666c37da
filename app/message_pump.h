#pragma once
#include <functional>

namespace ombrel {

// Handles window messages until `busy` turns false. The worker cannot post
// to the GUI thread, so a 2 ms timer wakes the loop to look again: input and
// repaints go on meanwhile without the thread spinning.
void PumpWhile(const std::function<bool()>& busy);

}  // namespace ombrel
