#pragma once
#include <chrono>
#include <cstdint>
#include <exception>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ombrel {

// The application's default error report: one line on standard error
// (repeats held back and counted, see TRepeatLimiter), and a message box with
// the error's text, captioned with the application's title. The box is shown
// from the event loop, not inside the failing handler, so ticks and repaints
// go on; errors that come while one box is open are not stacked on top of
// it but shown together in the next box, once it closes.
void ReportError(const std::exception& e);
// The same for an error that another thread handed over.
void ReportError(std::exception_ptr error);

// An error that ends the program: a line on standard error always, and on a
// desktop a box as well, shown before this returns.
void ReportFatalError(const std::exception& e);

// Inside another program's window nobody could answer a box (a screensaver
// daemon keeps the input): errors go to standard error alone.
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

// The errors that came while a box was open, for the box after it: each
// message once, in the order they first came, with how often it came.
class TErrorBacklog {
public:
    void Add(const std::string& message);
    bool Empty() const { return Messages.empty(); }
    // The next box's text, one message a line; empties the backlog.
    std::string Take();

private:
    struct TMessage {
        std::string Text;
        int64_t Count;
    };
    // A box must fit on the screen: messages beyond these are only counted.
    static constexpr size_t MaxMessages = 8;

    std::vector<TMessage> Messages;
    int64_t Others = 0;
};

}  // namespace ombrel
