// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The USB cable's road from the backend to the data handler, over the scripted HID backend:
//   1. latency: a report queued at the backend -> the data handler on the user-interface thread
//      returning (the reader's read, the hand-over, the event loop), median and p99;
//   2. CPU of one claimed device being read while no report comes, as a share of one core;
//   3. how long stopping the reader takes (it answers within one wait slice).
// Usage: bench_hid [reports (2000)] [idle seconds (10)] [stops (40)]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "fake_hid_backend.h"
#include "hid_device_controller.h"
#include "idle_load.h"
#include "simulated_cable.h"
#include "percentile.h"

namespace {

using Clock = std::chrono::steady_clock;

using dmm::bench::percentile;

void runLoopFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

const char kHandler = 0;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int reports = argc > 1 ? std::atoi(argv[1]) : 2000;
    const double idleSeconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    const int stops = argc > 3 ? std::atoi(argv[3]) : 40;

    dmm::FakeHidBackend backend;
    backend.plug(dmm::SimulatedCable::cableDevice(), false);
    const std::string path = dmm::SimulatedCable::kPath;
    dmm::HidDeviceController controller(&backend);
    runLoopFor(20);  // the first scan
    dmm::HidDevice* device = controller.claimDevice(0);
    if (!device) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }

    // 1. Latency.
    Clock::time_point queued;
    bool handled = false;
    std::vector<double> latencyUs;
    const dmm::HidDataEvent handler(
        [&](dmm::HidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {
            latencyUs.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - queued).count());
            handled = true;
        },
        &kHandler);
    device->setDataHandler(handler);
    runLoopFor(50);
    for (int i = 0; i < reports; ++i) {
        handled = false;
        queued = Clock::now();
        backend.queueReport(path, {0, 0xF1, 0x0A, 0, 0, 0, 0, 0, 0});
        while (!handled) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    std::printf("report queued -> data handler returned, %d reports: median %.0f us, p99 %.0f us, "
                "max %.0f us\n",
                reports, percentile(latencyUs, 0.5), percentile(latencyUs, 0.99),
                percentile(latencyUs, 1.0));

    // 2. CPU while the device is read and nothing comes.
    const IdleLoad load = runEventLoopFor(app, idleSeconds);
    std::printf("one device read with no report for %.1f s (wait slice %d ms): CPU %.3f s = "
                "%.3f %% of one core\n",
                load.wallSeconds, device->readWaitSlice(), load.cpuSeconds, load.percentOfCore());

    // 3. Stop requests at random moments of the wait slice.
    std::mt19937 rng(7);
    std::vector<double> stopMs;
    for (int i = 0; i < stops; ++i) {
        device->setDataHandler(handler);
        runLoopFor(static_cast<int>(rng() % 150));
        QElapsedTimer t;
        t.start();
        device->setDataHandler({});
        stopMs.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("stop requests (%d, wait slice %d ms): median %.1f ms, max %.1f ms\n", stops,
                device->readWaitSlice(), percentile(stopMs, 0.5), percentile(stopMs, 1.0));
    dmm::HidDevice::release(device);
    return 0;
}
