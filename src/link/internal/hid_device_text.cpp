// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "hid_device_text.h"

#include "hid_device_controller.h"

namespace dmm {

QString hexText(std::uint32_t value, int digits) {
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString hidDeviceText(HidDevice* device) {
    QString text = QString::fromStdU16String(device->productString());
    if (text.isEmpty()) {
        text = QStringLiteral("Device VID=%1 PID=%2")
                   .arg(hexText(device->attributes().vendorId, 4),
                        hexText(device->attributes().productId, 4));
    }
    const QString serial = QString::fromStdU16String(device->serialString());
    if (!serial.isEmpty()) text += QStringLiteral(" (Serial=%1)").arg(serial);
    return text;
}

int cableLine(const std::vector<QString>& lines) {
    int found = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == kCableProductText) found = static_cast<int>(i);
    }
    return found;
}

}  // namespace dmm
