#pragma once
#include <exception>

namespace ombrel {

// The application's default error report: a message box with the error's
// text, captioned with the application's title. It is shown from the event
// loop, not inside the failing handler, so ticks and repaints go on; while
// one box is open, further errors are not stacked on top of it.
void ReportError(const std::exception& e);

// Inside another program's window nobody could answer a box (a screensaver
// daemon keeps the input): errors go to standard error as one line instead.
void ReportErrorsAsText();

}  // namespace ombrel
