// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>

class QApplication;

namespace dmm {

// Answers --help, --version and refused arguments before any window exists, so that they work
// without a display: prints the answer or the reason and the usage, and returns the exit status
// (0, or 2 for refused arguments); returns nothing when the program is to start.
std::optional<int> answerWithoutWindow(int argc, char** argv);

// Program entry after the application object exists: reads the command line, sets the
// application title, creates and shows the main window (and the hidden second window), runs
// the simulated meter for --demo, and runs the event loop. Returns the exit code.
int runDmmview(QApplication& app);

}  // namespace dmm
