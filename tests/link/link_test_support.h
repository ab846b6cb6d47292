#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstdio>

#include <functional>
#include <string>

#include "pseudo_terminal.h"

// Runs the event loop until `done` holds or `ms` have passed; returns whether it holds.
inline bool waitUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Runs the event loop for `ms`, so that the port takes in what has been written.
inline void settle(int ms = 60) {
    waitUntil([] { return false; }, ms);
}

// Writes all of `bytes` to the master side of a pseudo-terminal.
inline bool writeAll(dmm::PseudoTerminal& pty, const std::string& bytes) {
    std::size_t done = 0;
    QElapsedTimer t;
    t.start();
    while (done < bytes.size()) {
        const long n = pty.write(bytes.data() + done, bytes.size() - done);
        if (n < 0 || t.elapsed() > 3000) return false;
        done += static_cast<std::size_t>(n);
        if (n == 0) settle(5);
    }
    return true;
}

// Makes the symbolic link `link` name `target`, replacing what it named in one step: a device
// that comes back at the same path.
inline bool pointLinkAt(const QString& link, const QString& target) {
    const QString temp = link + QStringLiteral(".new");
    QFile::remove(temp);
    return QFile::link(target, temp) &&
           std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(link).constData()) == 0;
}
