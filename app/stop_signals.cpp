#include "app/stop_signals.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace ombrel {

namespace {

int Pipe[2] = {-1, -1};
timer_t Watchdog;
// Set before the handlers are, read by them: a lock-free atomic is safe there.
std::atomic<bool> HaveWatchdog = false;

extern "C" void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a stop.
    [[maybe_unused]] const ssize_t n = write(Pipe[1], &byte, 1);
    // timer_settime is async-signal-safe. A second stop does not push the deadline back.
    itimerspec pending{};
    if (HaveWatchdog && timer_gettime(Watchdog, &pending) == 0 && pending.it_value.tv_sec == 0 &&
        pending.it_value.tv_nsec == 0) {
        itimerspec grace{};
        grace.it_value.tv_sec = StopGraceMilliseconds / 1000;
        grace.it_value.tv_nsec = StopGraceMilliseconds % 1000 * 1000000;
        timer_settime(Watchdog, 0, &grace, nullptr);
    }
    errno = saved;
}

// The loop did not get round to the stop: something it waits for never
// comes. Ending here is safe: the program writes no files, so nothing is
// left half-written, and the system closes its connections and frees its
// memory. Exit code 0, as for every stop.
extern "C" void OnWatchdog(int) { _exit(0); }

}  // namespace

void CatchStopSignals() {
    if (Pipe[0] >= 0) return;
    if (pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Pipe[0] = Pipe[1] = -1;
        return;
    }
    struct sigaction watchdog = {};
    watchdog.sa_handler = OnWatchdog;
    sigemptyset(&watchdog.sa_mask);
    sigevent event{};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGALRM;
    HaveWatchdog = sigaction(SIGALRM, &watchdog, nullptr) == 0 && timer_create(CLOCK_MONOTONIC, &event, &Watchdog) == 0;
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) {
        // Started under nohup: a hang-up was meant to pass it by.
        struct sigaction now = {};
        if (s == SIGHUP && sigaction(s, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
        sigaction(s, &action, nullptr);
    }
}

int StopSignalPipe() { return Pipe[0]; }

bool TakeStopSignals() {
    if (Pipe[0] < 0) return false;
    bool any = false;
    char buffer[64];
    while (read(Pipe[0], buffer, sizeof buffer) > 0) any = true;
    return any;
}

}  // namespace ombrel
