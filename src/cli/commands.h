#pragma once

#include <QCoreApplication>
#include <QStringList>

#include <memory>

namespace dmm {

// dmmcli sub-commands. Each takes the arguments after its name and returns the exit status.
int runDecode(const QStringList& args);
int runRecord(const QStringList& args);
int runSimulate(const QStringList& args);
int runConvert(const QStringList& args);
int runReport(const QStringList& args);
int runList(const QStringList& args);

// The application object of the report, which draws text: a QGuiApplication, offscreen unless
// QT_QPA_PLATFORM chooses a platform. The other commands run on a plain QCoreApplication.
std::unique_ptr<QCoreApplication> makeGuiApplication(int& argc, char** argv);

}  // namespace dmm
