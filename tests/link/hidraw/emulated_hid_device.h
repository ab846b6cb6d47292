// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The files umockdev needs to emulate a HID device on a hidraw node, made from a few facts about
// the device: the sysfs description of its USB device, interface, HID device and hidraw node, the
// answers of the node's ioctls, and scripts of the bytes the node hands to a reader.
namespace dmm::test {

using Bytes = std::vector<std::uint8_t>;

struct EmulatedHidDevice {
    std::string node = "hidraw0";  // the device node, /dev/<node>
    int port = 1;                  // the USB port it is plugged into: 1-<port> in sysfs
    std::uint16_t vendorId = 0x1234;
    std::uint16_t productId = 0x5678;
    std::uint16_t release = 0x0100;
    std::string manufacturer = "Bench Instruments";
    std::string product = "USB to Serial";
    std::uint8_t reportId = 0;  // the ID of its reports; 0: it does not number them

    std::string devicePath() const { return "/dev/" + node; }
    // The sysfs path of the HID device and of its hidraw node (under /sys).
    std::string hidSysfsPath() const;
    std::string nodeSysfsPath() const;
};

// The cable as the program finds it, numbering its reports or not, and a device that is not it.
EmulatedHidDevice unnumberedCable(const std::string& node = "hidraw0", int port = 1);
EmulatedHidDevice numberedCable(const std::string& node = "hidraw0", int port = 1);
EmulatedHidDevice keyboard(const std::string& node = "hidraw0", int port = 2);

// The report descriptor: one input report of 8 bytes and one feature report of 9, with the
// device's report ID in front of them when it numbers its reports.
Bytes reportDescriptor(const EmulatedHidDevice& device);

// The device in umockdev-record's description format. The node's numbers are those of hidraw
// (243:N); the harness replaces them with those of the pseudo-terminal behind the node.
std::string deviceDescription(const EmulatedHidDevice& device);

// The node's ioctls in umockdev's ioctl record format: the report descriptor's size and bytes,
// the raw device information and name, and the 10-byte feature report accepted.
std::string ioctlRecord(const EmulatedHidDevice& device);

// Input reports as `dmmcli simulate --usb` writes them (report ID 0 first) made into what the
// device's node hands a reader: without the ID when the device does not number its reports,
// with its own ID when it does.
std::vector<Bytes> nodeReports(const EmulatedHidDevice& device,
                               const std::vector<Bytes>& simulatedReports);
// The reports of one line of hexadecimal bytes each.
std::vector<Bytes> parseReportLines(const std::string& text);

// An umockdev script that waits for the word "go" written to the node, then hands the reports
// to the reader, then waits for good (see run_on_emulated_node.sh for why).
std::string readScript(const std::vector<Bytes>& nodeReports);

}  // namespace dmm::test
