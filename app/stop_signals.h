#pragma once

namespace ombrel {

// SIGTERM, SIGINT and SIGHUP end the program as "Exit" does (screensaver
// daemons stop their programs with SIGTERM). A handler may run at any moment,
// so it only writes a byte into a pipe, which the event loop watches.
// Call it first thing: from then on these signals no longer kill. A SIGHUP
// that is ignored (nohup) stays ignored.
//
// A stop must stop even where the program cannot get on (a display server
// that accepted the connection and never answers, one that was stopped, at
// start-up, in the loop or while closing its windows): a stop signal also
// arms a watchdog that ends the process with exit code 0 if it is still
// there StopGraceMilliseconds later.
void CatchStopSignals();

// How long a stop signal leaves the program to end cleanly.
constexpr long StopGraceMilliseconds = 600;

// The pipe's reading end; -1 before CatchStopSignals or when it failed.
int StopSignalPipe();

// Takes every byte waiting in the pipe; says whether there was one.
bool TakeStopSignals();

}  // namespace ombrel
