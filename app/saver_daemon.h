#pragma once
#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/control_form.h"
#include "app/saver_host.h"

namespace ombrel {

// --screensaver --idle: Ombrel as its own idle daemon. It waits for the
// compositor to report the seat idle, with nothing made but the connection
// (no surface, no OpenGL, no worker, no clock); then it shows the show
// until the user comes back, lets all of it go, and waits again. While the
// desktop's own screensaver is up, there is no show.
class TSaverDaemon : public QObject {
public:
    // `run` is how each show is asked for (its host: `host`).
    TSaverDaemon(TSaverHost& host, TRunOptions run, uint32_t idleMilliseconds);
    ~TSaverDaemon() override;

    // Starts watching; one line why not where the compositor cannot tell of idleness.
    std::optional<std::string> Start();
    // A stop signal: the show, if one is up, closes, and the program ends.
    void Stop();
    int ExitCode() const { return Code; }
    // A show is up.
    bool Showing() const { return Show != nullptr; }

private:
    // The host's news between shows.
    void Wait();
    void Idle();
    void Resumed();
    // From inside the show's close: it goes once the close has returned.
    void ShowClosed();
    void End(int code);

    TSaverHost& Host;
    TRunOptions Run;
    uint32_t IdleMilliseconds;
    std::unique_ptr<TForm1> Show;
    bool Stopping = false;
    int Code = 0;
};

}  // namespace ombrel
