#pragma once

namespace dmm {

// The signals that ask a program to stop: SIGINT (Ctrl+C), SIGTERM (kill, systemd) and SIGHUP
// (the terminal closed, an ssh connection dropped). Both programs treat them alike.

// Makes the stop signals end the running event loop (QCoreApplication::quit) instead of the
// process, so that a program stops cleanly: what it is writing is finished and its summary
// printed. Also ignores SIGPIPE, so that a closed output pipe shows up as a write error. Call
// once, after the application object exists.
void quitOnStopSignals();

// A stop signal arrived since quitOnStopSignals().
bool stopSignalReceived();

// For a command that runs without an event loop: a stop signal ends the process as it would
// (the shell sees the signal), after `beforeEnd` has run. `beforeEnd` runs in the signal
// handler, so it may only do what is safe there (e.g. unlink a file).
void endOnStopSignals(void (*beforeEnd)());

}  // namespace dmm
