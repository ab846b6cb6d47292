// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>

// The wall time an event loop ran and the CPU time the process spent meanwhile, in seconds.
struct IdleLoad {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double percentOfCore() const { return 100.0 * cpuSeconds / wallSeconds; }
};

inline double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the application's event loop for `seconds` and measures what it cost.
inline IdleLoad runEventLoopFor(QCoreApplication& app, double seconds) {
    const double cpuStart = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
    app.exec();
    return {static_cast<double>(wall.elapsed()) / 1000.0, processCpuSeconds() - cpuStart};
}
