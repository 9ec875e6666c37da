#pragma once

namespace ombrel {

// SIGTERM, SIGINT and SIGHUP end the program as "Exit" does (screensaver
// daemons stop their programs with SIGTERM). A handler may run at any moment,
// so it only writes a byte into a pipe, which the event loop watches.
// Call it first thing: from then on these signals no longer kill. A SIGHUP
// that is ignored (nohup) stays ignored.
void CatchStopSignals();

// The pipe's reading end; -1 before CatchStopSignals or when it failed.
int StopSignalPipe();

// Takes every byte waiting in the pipe; says whether there was one.
bool TakeStopSignals();

}  // namespace ombrel
