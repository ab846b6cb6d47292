// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// CPU time of an open, idle serial port: the driver on a pseudo-terminal with nothing arriving,
// for a fixed wall-clock time (10 s unless given in seconds as the first argument). Prints the
// share of one core the process used meanwhile.

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

#include "bench_port.h"
#include "idle_load.h"

using namespace dmm;

namespace {

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;

    PseudoTerminal pty;
    PortNameTable names;
    SerialPortDriver driver;
    long events = 0;
    driver.setReceiveHandler([&events](SerialPortDriver*, const void*, std::int32_t) { ++events; });
    if (!openDriverOnPty(pty, names, driver)) return 1;

    const IdleLoad load = runEventLoopFor(app, seconds);
    driver.close();

    std::printf(
        "idle port (polls at most every %d ms) for %.1f s: CPU %.3f s = %.3f %% of one core "
        "(%ld receive events)\n",
        driver.pollingDelay(), load.wallSeconds, load.cpuSeconds, load.percentOfCore(), events);
    return 0;
}
