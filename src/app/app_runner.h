#pragma once

class QApplication;

namespace dmm {

// Program entry after the application object exists: reads the command line, sets the
// application title, creates and shows the main window (and the hidden second window), runs
// the simulated meter for --demo, and runs the event loop. Returns the exit code.
int runDmmview(QApplication& app);

}  // namespace dmm
