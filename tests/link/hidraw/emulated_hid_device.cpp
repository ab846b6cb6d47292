// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "emulated_hid_device.h"

#include <cstdio>
#include <sstream>

namespace dmm::test {

namespace {

// hidraw's character device major number on a typical system; the harness puts the numbers of
// the pseudo-terminal behind the emulated node in their place.
constexpr int kHidrawMajor = 243;
// The kernel's buffer of a report descriptor (HID_MAX_DESCRIPTOR_SIZE) behind the descriptor's
// size: HIDIOCGRDESC always passes these 4 + 4096 bytes.
constexpr std::size_t kDescriptorBuffer = 4096;
// The buffer a program hands HIDIOCGRAWNAME, as hidraw's own example does.
constexpr std::size_t kRawNameBuffer = 256;
constexpr std::uint32_t kBusUsb = 3;

int nodeNumber(const std::string& node) {
    return std::stoi(node.substr(node.find_first_of("0123456789")));
}

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string hexBytes(const Bytes& bytes) {
    std::string out;
    for (const std::uint8_t b : bytes) out += hex(b, 2);
    return out;
}

void appendLittleEndian(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::string usbPath(const EmulatedHidDevice& d) {
    return "/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(d.port);
}

std::string interfacePath(const EmulatedHidDevice& d) {
    return usbPath(d) + "/1-" + std::to_string(d.port) + ":1.0";
}

// The kernel names a HID device by bus, vendor and product and a running number.
std::string hidName(const EmulatedHidDevice& d) {
    return "0003:" + hex(d.vendorId, 4) + ":" + hex(d.productId, 4) + "." +
           hex(static_cast<unsigned>(nodeNumber(d.node) + 1), 4);
}

}  // namespace

std::string EmulatedHidDevice::hidSysfsPath() const {
    return "/sys" + interfacePath(*this) + "/" + hidName(*this);
}

std::string EmulatedHidDevice::nodeSysfsPath() const {
    return hidSysfsPath() + "/hidraw/" + node;
}

EmulatedHidDevice unnumberedCable(const std::string& node, int port) {
    EmulatedHidDevice d;
    d.node = node;
    d.port = port;
    return d;
}

EmulatedHidDevice numberedCable(const std::string& node, int port) {
    EmulatedHidDevice d = unnumberedCable(node, port);
    d.reportId = 1;
    return d;
}

EmulatedHidDevice keyboard(const std::string& node, int port) {
    EmulatedHidDevice d;
    d.node = node;
    d.port = port;
    d.vendorId = 0x2345;
    d.productId = 0x0101;
    d.manufacturer = "Desk Supplies";
    d.product = "USB Keyboard";
    return d;
}

Bytes reportDescriptor(const EmulatedHidDevice& device) {
    Bytes d = {
        0x06, 0x00, 0xFF,  // Usage Page (vendor defined)
        0x09, 0x01,        // Usage (1)
        0xA1, 0x01,        // Collection (Application)
    };
    if (device.reportId != 0) d.insert(d.end(), {0x85, device.reportId});  // Report ID
    d.insert(d.end(), {
        0x15, 0x00,        // Logical Minimum (0)
        0x26, 0xFF, 0x00,  // Logical Maximum (255)
        0x75, 0x08,        // Report Size (8 bits)
        0x95, 0x08,        // Report Count (8): a count byte and up to 7 bytes from the meter
        0x09, 0x01,        // Usage (1)
        0x81, 0x02,        // Input (Data, Variable, Absolute)
        0x95, 0x09,        // Report Count (9): the serial line's set-up
        0x09, 0x01,        // Usage (1)
        0xB1, 0x02,        // Feature (Data, Variable, Absolute)
        0xC0,              // End Collection
    });
    return d;
}

std::string deviceDescription(const EmulatedHidDevice& d) {
    const int number = nodeNumber(d.node);
    const std::string port = std::to_string(d.port);
    std::ostringstream out;
    // Parents before children: umockdev adds (and announces) the devices in this order.
    // The USB device, whose strings the HID library reads.
    out << "P: " << usbPath(d) << "\n"
        << "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
        << "E: PRODUCT=" << std::hex << d.vendorId << "/" << d.productId << "/" << d.release
        << std::dec << "\n"
        << "A: idVendor=" << hex(d.vendorId, 4) << "\nA: idProduct=" << hex(d.productId, 4)
        << "\nA: bcdDevice=" << hex(d.release, 4) << "\nA: manufacturer=" << d.manufacturer
        << "\nA: product=" << d.product << "\nA: busnum=1\nA: devnum=" << port << "\n\n";
    // Its interface.
    out << "P: " << interfacePath(d) << "\n"
        << "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: INTERFACE=3/0/0\n"
        << "A: bInterfaceNumber=00\n\n";
    // The HID device: its IDs, name and (empty) serial number, and its report descriptor.
    out << "P: " << d.hidSysfsPath().substr(4) << "\n"
        << "E: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n"
        << "E: HID_ID=0003:" << hex(d.vendorId, 8) << ":" << hex(d.productId, 8) << "\n"
        << "E: HID_NAME=" << d.manufacturer << " " << d.product << "\n"
        << "E: HID_PHYS=usb-0000:00:14.0-" << port << "/input0\nE: HID_UNIQ=\n"
        << "H: report_descriptor=" << hexBytes(reportDescriptor(d)) << "\n\n";
    // The hidraw node; its `device` link leads the backend to the report descriptor.
    out << "P: " << d.nodeSysfsPath().substr(4) << "\n"
        << "N: " << d.node << "\n"
        << "E: SUBSYSTEM=hidraw\nE: DEVNAME=" << d.devicePath() << "\n"
        << "E: MAJOR=" << kHidrawMajor << "\nE: MINOR=" << number << "\n"
        << "A: dev=" << kHidrawMajor << ":" << number << "\n"
        << "L: device=../../../" << hidName(d) << "\n";
    return out.str();
}

std::string ioctlRecord(const EmulatedHidDevice& d) {
    // umockdev takes an ioctl's size from the length of the recorded data, so each buffer is
    // recorded at the size a program asks with.
    const Bytes descriptor = reportDescriptor(d);
    Bytes size;
    appendLittleEndian(size, static_cast<std::uint32_t>(descriptor.size()), 4);
    Bytes fullDescriptor = size;  // struct hidraw_report_descriptor: size, then 4096 bytes
    fullDescriptor.insert(fullDescriptor.end(), descriptor.begin(), descriptor.end());
    fullDescriptor.resize(4 + kDescriptorBuffer, 0);
    Bytes info;  // struct hidraw_devinfo: bus type, vendor, product
    appendLittleEndian(info, kBusUsb, 4);
    appendLittleEndian(info, d.vendorId, 2);
    appendLittleEndian(info, d.productId, 2);
    const std::string name = d.manufacturer + " " + d.product;
    Bytes rawName(name.begin(), name.end());
    rawName.resize(kRawNameBuffer, 0);
    // The cable's set-up report; hidraw answers a feature report with the bytes it sent.
    const Bytes setup = {0x00, 0x60, 0x09, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00};

    std::ostringstream out;
    out << "@DEV " << d.devicePath() << " (ioctl)\n"
        << "HIDIOCGRDESCSIZE 0 " << hexBytes(size) << "\n"
        << "HIDIOCGRDESC 0 " << hexBytes(fullDescriptor) << "\n"
        << "HIDIOCGRAWINFO 0 " << hexBytes(info) << "\n"
        << "HIDIOCGRAWNAME " << name.size() + 1 << " " << hexBytes(rawName) << "\n"
        << "HIDIOCSFEATURE " << setup.size() << " " << hexBytes(setup) << "\n";
    return out.str();
}

std::vector<Bytes> nodeReports(const EmulatedHidDevice& device,
                               const std::vector<Bytes>& simulatedReports) {
    std::vector<Bytes> out;
    for (Bytes report : simulatedReports) {
        if (report.empty()) continue;
        if (device.reportId == 0) {
            report.erase(report.begin());
        } else {
            report.front() = device.reportId;
        }
        out.push_back(std::move(report));
    }
    return out;
}

std::vector<Bytes> parseReportLines(const std::string& text) {
    std::vector<Bytes> reports;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        Bytes report;
        for (std::string word; words >> word;) {
            report.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
        }
        if (!report.empty()) reports.push_back(std::move(report));
    }
    return reports;
}

std::string readScript(const std::vector<Bytes>& nodeReports) {
    std::string out = "w 0 go\n";
    for (const Bytes& report : nodeReports) {
        // One line per report, sent at once. Bytes below 32 are written ^ and the byte plus
        // 64, ^ itself as ^`, everything else as it is.
        out += "r 0 ";
        for (const std::uint8_t b : report) {
            if (b < 32) {
                out += '^';
                out += static_cast<char>(b + 64);
            } else if (b == '^') {
                out += "^`";
            } else {
                out += static_cast<char>(b);
            }
        }
        out += '\n';
    }
    return out + "w 0 end\n";
}

}  // namespace dmm::test
