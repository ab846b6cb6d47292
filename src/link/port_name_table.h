// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace dmm {

// The names "COM1" to "COM4" on this system. COMn is the n-th serial device present, counting
// USB serial adapters (/dev/ttyUSB*), then USB modem-class devices (/dev/ttyACM*), then
// on-board ports (/dev/ttyS*), each in numeric order, unless a mapping names its path.
class PortNameTable {
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 4;

    // Looks at /dev and /sys/class/tty.
    PortNameTable();
    // Looks at other folders instead (for tests and for systems that mount them elsewhere).
    PortNameTable(QString devDir, QString sysTtyDir);

    // Maps COMn (1-4) to a device path; an empty path removes the mapping.
    void map(int n, const QString& path);
    // A mapping written "COMn=PATH" (as the --port options give it), n from 1 to 4 in any case
    // and PATH not empty; the text up to the first '=' names the port.
    struct Mapping {
        int port;
        QString path;
    };
    static std::optional<Mapping> parseMapping(const QString& text);
    // Whether a text is meant as a mapping: "COM", digits, then '=' (any port number, so that
    // "COM5=..." is refused as a mapping rather than taken for a path).
    static bool looksLikeMapping(const QString& text);
    // Takes a mapping written "COMn=PATH". Returns false and a message when the text is not of
    // that form.
    bool addMapping(const QString& text, QString* error = nullptr);
    QString mappedPath(int n) const { return mappings_.value(n); }

    // The serial devices present now, in the counting order above.
    QStringList presentDevices() const;
    // The path COMn stands for now: its mapping, else the n-th device present, else empty.
    QString resolve(int n) const;
    // Where the path of resolve() comes from, for tooltips and messages, e.g.
    // "COM1: /dev/ttyUSB0 (2nd serial device)" or "COM3: no serial device present".
    QString describe(int n) const;

    // "COM1".."COM4" (any case) to 1..4.
    static std::optional<int> parsePortName(const QString& name);
    // For a text that looks like a port name but names none ("COM5", "com0"), the message that
    // says so; empty for any other text (a port name, a path).
    static QString notAPortName(const QString& text);
    static QString portName(int n) { return QStringLiteral("COM%1").arg(n); }

private:
    bool onBoardPortPresent(const QString& name) const;

    QString devDir_;
    QString sysTtyDir_;
    QMap<int, QString> mappings_;
};

}  // namespace dmm
