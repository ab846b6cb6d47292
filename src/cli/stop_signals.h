#pragma once

namespace dmm {

// Makes SIGINT and SIGTERM end the running event loop (QCoreApplication::quit) instead of the
// process, so that a command stops cleanly and prints its summary. Also ignores SIGPIPE, so
// that a closed output pipe shows up as a write error. Call once, after the application
// object exists.
void quitOnStopSignals();

// A stop signal arrived since quitOnStopSignals().
bool stopSignalReceived();

}  // namespace dmm
