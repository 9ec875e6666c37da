#include "app/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace ombrel {

namespace {

int Pipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a stop.
    [[maybe_unused]] const ssize_t n = write(Pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

void CatchStopSignals() {
    if (Pipe[0] >= 0) return;
    if (pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Pipe[0] = Pipe[1] = -1;
        return;
    }
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
