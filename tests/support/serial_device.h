// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The test's side of a serial device: a pseudo-terminal's master written to, and a path that
// stands for a device which goes away and comes back.

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include "pseudo_terminal.h"
#include "wait_for.h"

namespace dmm::test {

// Writes all of `bytes` to the master side of a pseudo-terminal, running the event loop while
// the terminal is full.
inline bool writeAll(PseudoTerminal& pty, const std::string& bytes) {
    std::size_t done = 0;
    bool failed = false;
    const bool ended = waitFor([&] {
        const long n = pty.write(bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            failed = true;
        } else {
            done += static_cast<std::size_t>(n);
        }
        return failed || done == bytes.size();
    });
    return ended && !failed;
}

// Makes the symbolic link `link` name `target`, replacing what it named in one step: a device
// that comes back at the same path.
inline bool pointLinkAt(const QString& link, const QString& target) {
    const QString temp = link + QStringLiteral(".new");
    QFile::remove(temp);
    return QFile::link(target, temp) && std::rename(QFile::encodeName(temp).constData(),
                                                    QFile::encodeName(link).constData()) == 0;
}

// A device path that comes and goes: a symbolic link in a folder of the test's own, so that no
// other test can take the path. While its device is away it names nothing; it never names a
// pseudo-terminal that has ended, whose number the next one opened anywhere on the machine gets.
class DeviceLink {
public:
    DeviceLink() : path_(dir_.filePath(QStringLiteral("ttyMeter"))) {}
    const QString& path() const { return path_; }
    // The device appears (again) at the path.
    bool pointAt(const QString& device) { return dir_.isValid() && pointLinkAt(path_, device); }
    // The device goes away: the path is removed, before the device itself ends.
    bool remove() { return QFile::remove(path_); }

private:
    QTemporaryDir dir_;
    QString path_;
};

}  // namespace dmm::test
