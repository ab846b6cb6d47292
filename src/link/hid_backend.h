// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dmm {

// One HID interface attached to the system, as a scan lists it.
struct HidInterfaceInfo {
    std::string identity;  // the same for as long as the device stays attached; new on re-plug
    std::string path;      // the device node it is opened by
};

// Vendor, product and version number of a device.
struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

// A failure of the platform: its error code and the platform's text for it.
struct HidError {
    std::uint32_t code = 0;
    std::string text;
};

enum class HidAccess {
    ReadWrite,  // read input reports, send feature reports, read strings
    QueryOnly,  // read the identification and the strings only
};

// An open HID interface. A connection is used by one thread at a time.
class HidConnection {
public:
    virtual ~HidConnection() = default;

    virtual std::optional<HidAttributes> attributes() = 0;
    // Reads one input report into `buffer`, the report ID first (0 for a device that does not
    // number its reports). Returns the byte count, 0 when no report came within `timeoutMs`, or
    // -1 when the read failed (lastError() says why).
    virtual int readInputReport(std::uint8_t* buffer, std::size_t size, int timeoutMs) = 0;
    // Sends a feature report whose first byte is the report ID. False when it was refused.
    virtual bool sendFeatureReport(const std::uint8_t* report, std::size_t size) = 0;
    // The product and serial number strings; none when the device gives none or they cannot be
    // read.
    virtual std::optional<std::u16string> productString() = 0;
    virtual std::optional<std::u16string> serialString() = 0;
    // Copies string descriptor 0 (the device's language IDs), up to `count` 16-bit words, into
    // `words`, leaving the words after it as they were. False, with `words` untouched, when the
    // platform gives no access to it.
    virtual bool readStringDescriptor0(std::uint16_t* words, std::size_t count) = 0;
    // Length of the longest input report counted with its report ID byte; 0 when unknown.
    virtual std::size_t inputReportLength() = 0;
    virtual HidError lastError() const = 0;
};

// The system's HID devices: listing, opening, and a signal when device nodes change. The
// listing, opening and notification run on the user-interface thread; a connection it opened
// may be used from another thread.
class HidBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // False when the system has no HID support this backend can use; nothing is ever listed then.
    virtual bool available() const { return true; }
    // The HID interfaces attached now, in a stable order.
    virtual std::vector<HidInterfaceInfo> attachedInterfaces() = 0;
    // Opens the interface at `path`. Null, with `error` filled, when it cannot be opened with
    // that access. May be called from any thread.
    virtual std::unique_ptr<HidConnection> open(const std::string& path, HidAccess access,
                                                HidError* error) = 0;
    // Starts watching for device nodes coming and going; deviceNodesChanged follows every change
    // from then on. False, with the reason, when changes cannot be watched here.
    virtual bool watchChanges(QString* why) = 0;

signals:
    void deviceNodesChanged();
};

// The platform's text for an error code of a failed read or open.
std::string hidErrorText(std::uint32_t code);

}  // namespace dmm
