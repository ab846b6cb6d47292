// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "simulated_cable.h"

#include <algorithm>
#include <cmath>

#include "cable_reports.h"
#include "frame_encoder.h"

namespace dmm {

SimulatedCable::SimulatedCable(FakeHidBackend& backend, Family family, double framesPerSecond,
                               std::uint64_t seed, QObject* parent)
    : QObject(parent), backend_(backend), family_(family), script_(family, seed) {
    const double rate = framesPerSecond > 0 ? framesPerSecond : 2.0;
    timer_.setInterval(std::max(1, static_cast<int>(std::lround(1000.0 / rate))));
    connect(&timer_, &QTimer::timeout, this, &SimulatedCable::sendFrame);
}

FakeHidBackend::Device SimulatedCable::cableDevice() {
    FakeHidBackend::Device d;
    d.identity = "simulated-cable/1";
    d.path = kPath;
    d.attributes = {0x0001, 0x0001, 0x0100};
    d.product = u"USB to Serial";
    d.inputReportLength = kCableReportLength;
    return d;
}

void SimulatedCable::plugIn() {
    backend_.plug(cableDevice());
    timer_.start();
}

void SimulatedCable::pullOut() {
    timer_.stop();
    backend_.unplug(kPath);
}

void SimulatedCable::sendFrame() {
    // Nobody has the cable open: what the meter sends now is not kept.
    if (backend_.openConnections(kPath) == 0) return;
    std::string serial;
    if (!encodeFrame(family_, script_.next(), serial)) return;
    for (CableReport& r : cableReports(cableFrameBytes(family_, serial))) {
        backend_.queueReport(kPath, std::move(r));
    }
    ++framesSent_;
}

}  // namespace dmm
