// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "hid_backend.h"

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace dmm {

// The system's HID interfaces through hidraw: listing, opening, reading, feature reports and
// strings through hidapi; each interface's identity (its sysfs path, new at every plug-in) and
// the notification of device nodes coming and going through libudev, whose monitor socket is
// watched on the user-interface thread.
//
// hidraw hands over the reports of a device that does not number them without a report ID:
// the connection puts a 0 in front, so that every report reaches its reader report ID first.
// Whether a device numbers its reports comes from its report descriptor. String descriptor 0
// cannot be read through hidraw; it is reported as unreadable.
class LinuxHidBackend : public HidBackend {
    Q_OBJECT
public:
    explicit LinuxHidBackend(QObject* parent = nullptr);
    ~LinuxHidBackend() override;

    bool available() const override { return available_; }
    std::vector<HidInterfaceInfo> attachedInterfaces() override;
    std::unique_ptr<HidConnection> open(const std::string& path, HidAccess access,
                                        HidError* error) override;
    bool watchChanges(QString* why) override;

    // What the last listing learnt of a device without opening it.
    struct Listing {
        HidAttributes attributes;
        std::u16string product;
        std::u16string serial;
    };

private:
    void drainMonitor();

    bool available_ = false;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::mutex listingMutex_;  // open() may run on a reader's thread
    std::map<std::string, Listing> listing_;
};

// One input report read from a hidraw node into `buffer` (`size` bytes: a report's length with
// its ID), report ID first. `read` fills at most the bytes it is given and returns their count, 0
// when no report came, or -1 when it failed. hidraw hands over a report of a device that does not
// number its reports without the ID: it is read in behind a 0, one byte fewer asked for. Returns
// the byte count with the ID, 0, or -1.
int readReportIdFirst(bool numbered, std::uint8_t* buffer, std::size_t size,
                      const std::function<int(std::uint8_t* into, std::size_t size)>& read);

}  // namespace dmm
