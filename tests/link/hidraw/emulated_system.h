// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include "emulated_hid_device.h"

namespace dmm::test {

// Makes this process run its tests among emulated devices: in a /run of its own (a tmpfs in a
// private mount namespace, entered through a user namespace where the process is not root)
// that holds /run/udev/control, by which the backend knows that udev announces devices coming
// and going; and under umockdev-wrapper, which preloads umockdev's library. The process starts
// itself again inside both. Returns when it runs inside them, or when umockdev is not installed.
void enterEmulatedSystem(char** argv);

// Why the tests cannot run here (umockdev-run is not installed); empty when they can.
const QString& emulationMissing();

// Skips the test, with the reason, where the tests cannot run.
#define SKIP_WITHOUT_UMOCKDEV()                                                      \
    if (!dmm::test::emulationMissing().isEmpty())                                    \
    GTEST_SKIP() << dmm::test::emulationMissing().toStdString()

// Removes /run/udev/control for its lifetime: no udev daemon runs.
class NoUdevDaemon {
public:
    NoUdevDaemon();
    ~NoUdevDaemon();
    NoUdevDaemon(const NoUdevDaemon&) = delete;
    NoUdevDaemon& operator=(const NoUdevDaemon&) = delete;
};

// Six frames of the simulated Kelt meter as `dmmcli simulate --usb` writes its cable's input
// reports (report ID first), and those reports as `dmmcli decode --road usb` prints them (the
// header line, then one line per frame); both made at build time.
struct SimulatedMeter {
    std::vector<Bytes> reports;
    QStringList decodedLines;
};
const SimulatedMeter& simulatedMeter();

// A program run by a test, its output collected while the test's event loop turns.
class Program {
public:
    // `clean`: without umockdev's preloaded library and testbed, for umockdev-run to set up its
    // own.
    Program(const QString& program, const QStringList& args, bool clean = false);
    ~Program();

    // Waits (with a generous deadline) until standard output holds `lines` lines, or standard
    // error holds `text`; false when it ended or the time ran out first.
    bool waitForLines(int lines);
    bool waitForError(const QString& text);
    // Waits for the end and returns the exit status; -1 when it did not end or crashed.
    int finish();
    // Asks it to stop (SIGTERM) and returns its exit status.
    int stop();

    QStringList lines() const;
    QString error() const { return QString::fromLocal8Bit(err_); }

private:
    void collect();

    QProcess process_;
    QByteArray out_;
    QByteArray err_;
};

}  // namespace dmm::test
