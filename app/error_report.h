#pragma once
#include <chrono>
#include <cstdint>
#include <exception>
#include <map>
#include <optional>
#include <string>

namespace ombrel {

// The application's default error report: a message box with the error's
// text, captioned with the application's title. It is shown from the event
// loop, not inside the failing handler, so ticks and repaints go on; while
// one box is open, further errors are not stacked on top of it.
void ReportError(const std::exception& e);
// The same for an error that another thread handed over.
void ReportError(std::exception_ptr error);

// An error that ends the program: a line on standard error always, and on a
// desktop a box as well, shown before this returns.
void ReportFatalError(const std::exception& e);

// Inside another program's window nobody could answer a box (a screensaver
// daemon keeps the input): errors go to standard error as one line instead,
// each message once and then at most once a minute with its repeats counted.
void ReportErrorsAsText();

// Lets the first line of each message through, then at most one line per
// interval for it, which counts the repeats held back meanwhile.
class TRepeatLimiter {
public:
    using TClock = std::chrono::steady_clock;
    explicit TRepeatLimiter(TClock::duration interval = std::chrono::minutes(1)) : Interval(interval) {}

    // The line to write for `message` at `now`, or nothing.
    std::optional<std::string> Pass(const std::string& message, TClock::time_point now);

private:
    struct TSeen {
        TClock::time_point LastLine;
        int64_t HeldBack = 0;
    };
    // Messages that vary without end must not grow it without end.
    static constexpr size_t MaxMessages = 64;

    TClock::duration Interval;
    std::map<std::string, TSeen> Seen;
};

}  // namespace ombrel
