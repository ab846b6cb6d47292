// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hid_backend.h"

namespace dmm {

// HID devices that exist only in this program, played from a script: devices plugged in and
// pulled out, input reports and read failures queued for them, feature reports refused or
// recorded. It stands in for the system's devices in the tests, in the demonstration mode and
// wherever no real cable is at hand. Thread-safe: readers read from their own threads.
class FakeHidBackend : public HidBackend {
    Q_OBJECT
public:
    struct Device {
        std::string identity;
        std::string path;
        HidAttributes attributes;
        std::u16string product;
        std::u16string serial;
        // String descriptor 0; none: the platform cannot read it.
        std::optional<std::vector<std::uint16_t>> descriptor0;
        std::size_t inputReportLength = 9;
        bool openable = true;       // can be opened at all (for its identification)
        bool readWrite = true;      // can be opened for reading and writing
        bool identifiable = true;   // its attributes can be read
        bool acceptsFeatureReports = true;
    };

    explicit FakeHidBackend(QObject* parent = nullptr) : HidBackend(parent) {}

    bool available() const override { return available_; }
    void setAvailable(bool on) { available_ = on; }

    // Attaches a device (appended to the listing) or detaches the one at `path`. Reads of a
    // detached device fail and it cannot be opened again. With `notify` the device-node change
    // is announced from the event loop, as the system announces it.
    void plug(const Device& device, bool notify = true);
    void unplug(const std::string& path, bool notify = true);
    // Announces a device-node change without any change (for example another kind of device).
    void announceChange();

    // The next read of the device returns this report (report ID first), or fails with `code`.
    void queueReport(const std::string& path, std::vector<std::uint8_t> report);
    void queueReadError(const std::string& path, std::uint32_t code);
    // Reports queued and not yet read.
    std::size_t queuedReports(const std::string& path) const;

    // Feature reports the device has accepted, in order.
    std::vector<std::vector<std::uint8_t>> featureReports(const std::string& path) const;
    // Connections open for reading and writing now.
    int openConnections(const std::string& path) const;

    std::vector<HidInterfaceInfo> attachedInterfaces() override;
    std::unique_ptr<HidConnection> open(const std::string& path, HidAccess access,
                                        HidError* error) override;
    bool watchChanges(QString*) override { return true; }

private:
    friend class FakeHidConnection;
    struct State {
        Device device;
        bool attached = true;
        std::deque<std::vector<std::uint8_t>> reports;
        std::deque<std::uint32_t> errors;
        std::vector<std::vector<std::uint8_t>> featureReports;
        int openConnections = 0;
    };
    std::shared_ptr<State> find(const std::string& path) const;  // caller holds mutex_

    bool available_ = true;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::shared_ptr<State>> devices_;  // attached ones, in plug order
};

}  // namespace dmm
