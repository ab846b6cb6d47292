#pragma once

#include <QStringList>

// dmmcli sub-commands. Each takes the arguments after its name and returns the exit status.
int runDecode(const QStringList& args);
int runRecord(const QStringList& args);
int runSimulate(const QStringList& args);
int runConvert(const QStringList& args);
