// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "emulated_hid_device.h"

struct _UMockdevTestbed;
struct _UMockdevIoctlBase;
struct _UMockdevIoctlClient;

namespace dmm::test {

// Emulated HID devices that this process and the programs it starts see in place of the
// system's: sysfs, udev (its database and its events) and the hidraw nodes, through umockdev's
// preloaded library (the process runs under umockdev-wrapper). The nodes' ioctls are answered
// here: the report descriptor's size (hidapi's check that a node is hidraw), and feature
// reports, which are kept. One testbed at a time.
class HidrawTestbed {
public:
    HidrawTestbed();
    ~HidrawTestbed();
    HidrawTestbed(const HidrawTestbed&) = delete;
    HidrawTestbed& operator=(const HidrawTestbed&) = delete;

    // Plugs the device in; udev announces it.
    void plug(const EmulatedHidDevice& device);
    // Pulls it out; udev announces its removal. An open node stays readable, as nothing more
    // comes.
    void unplug(const EmulatedHidDevice& device);
    // Makes its node vanish without a word from udev and its reads fail, as an unplug looks to a
    // program where no udev daemon runs.
    void breakNode(const EmulatedHidDevice& device);
    // Hands the reports to the node's reader.
    void sendReports(const EmulatedHidDevice& device, const std::vector<Bytes>& reports);

    struct FeatureReport {
        std::string devicePath;
        Bytes bytes;
    };
    // The feature reports sent to any node so far.
    std::vector<FeatureReport> featureReports() const;

private:
    static int onIoctl(_UMockdevIoctlBase*, _UMockdevIoctlClient* client, void* self);
    int masterOf(const EmulatedHidDevice& device) const;

    _UMockdevTestbed* testbed_ = nullptr;
    std::map<std::string, _UMockdevIoctlBase*> handlers_;  // by device path
    std::map<std::string, Bytes> descriptors_;               // by device path
    mutable std::mutex mutex_;  // the ioctls are answered on umockdev's own thread
    std::vector<FeatureReport> featureReports_;
};

}  // namespace dmm::test
