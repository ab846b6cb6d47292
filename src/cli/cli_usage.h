// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace dmm {

// The usage of dmmcli as a whole: every command's synopsis (for --help, and for a missing or
// unknown command).
const char* programUsage();

// A command's usage: its synopsis and options (for COMMAND --help, and after arguments the
// command refused). nullptr for a name that is no command.
const char* commandUsage(const QString& command);

// The answer to --version: the program's name and version, one line.
const char* programVersionLine();

// Writes an answer to --help or --version to standard output; returns the exit status: 0, or 1
// when the output cannot be written.
int printAnswer(const char* text);

}  // namespace dmm
