#pragma once
#include <QObject>
#include <QTimer>
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
// desktop's own screensaver is up, or while the desktop holds screensavers
// back (a video playing), there is no show.
class TSaverDaemon : public QObject {
public:
    // `run` is how each show is asked for (its host: `host`); `heldBack`,
    // when given, is up while the desktop holds screensavers back.
    TSaverDaemon(TSaverHost& host, TRunOptions run, uint32_t idleMilliseconds, const TFlag* heldBack = nullptr);
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
    // The desktop let go of its hold while the seat is idle: as after any
    // input, the show waits for the idle time to pass again.
    void HoldChanged();
    // From inside the show's close: it goes once the close has returned.
    void ShowClosed();
    void End(int code);

    TSaverHost& Host;
    TRunOptions Run;
    uint32_t IdleMilliseconds;
    const TFlag* HeldBack;
    // Idle, by the host's word, and not resumed since.
    bool SeatIdle = false;
    QTimer IdleAgain;
    std::unique_ptr<TForm1> Show;
    bool Stopping = false;
    int Code = 0;
};

}  // namespace ombrel
