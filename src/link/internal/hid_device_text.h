// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace dmm {

class HidDevice;

// The product string by which the USB interface cable is recognised.
inline const QString kCableProductText = QStringLiteral("USB to Serial");

// How a HID device is named in the device list and the history: its product string, or
// "Device VID=0ABC PID=0012" from its IDs when it gives none, followed by " (Serial=...)" when
// it has a serial number. The cable, which has none, reads "USB to Serial".
QString hidDeviceText(HidDevice* device);

// Which of the listed texts is the cable: the last one that reads exactly "USB to Serial"; -1
// when none does. A cable that reports a serial number is listed with it and is not chosen.
int cableLine(const std::vector<QString>& lines);

// Upper-case hexadecimal digits of `value`, at least `digits` of them.
QString hexText(std::uint32_t value, int digits);

// The report that sets up the cable's serial line: report ID 0, the line speed 2400 (0x960)
// least significant byte first, then the line setting code 3; 10 bytes.
inline constexpr std::uint8_t kCableSetupReport[10] = {0x00, 0x60, 0x09, 0x00, 0x00,
                                                       0x03, 0x00, 0x00, 0x00, 0x00};

}  // namespace dmm
