// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>

#include "fake_hid_backend.h"
#include "reading_script.h"

namespace dmm {

// A USB interface cable with a simulated meter behind it, attached to a FakeHidBackend: the
// meter's frames, made from the bench reading script by the frame encoder, reach the host as the
// cable's input reports (data reports, then a report with count 0 between frames). Like a real
// cable it delivers only while the host has it open for reading.
class SimulatedCable : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kPath = "simulated-cable";

    SimulatedCable(FakeHidBackend& backend, Family family, double framesPerSecond,
                   std::uint64_t seed = 1, QObject* parent = nullptr);

    // Plugs the cable in (announced as a device-node change) and starts the meter.
    void plugIn();
    // Starts the meter of a cable already plugged in.
    void start() { timer_.start(); }
    void pullOut();
    std::int64_t framesSent() const { return framesSent_; }

    // The device as the backend lists it: the product string "USB to Serial", no serial number.
    static FakeHidBackend::Device cableDevice();

private:
    void sendFrame();

    FakeHidBackend& backend_;
    Family family_;
    ReadingScript script_;
    QTimer timer_;
    std::int64_t framesSent_ = 0;
};

}  // namespace dmm
