#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

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
inline bool writeAll(PseudoTerminal& pty, const std::string& bytes) {
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
