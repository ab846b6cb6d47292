// SPDX-FileCopyrightText: 2026 The dmmview developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>

// Runs the event loop, sleeping while there is nothing to do, until `done` holds (checked every
// `pollMs`) or `ms` pass; returns whether it holds.
template <class Done>
bool waitUntil(Done done, int ms, int pollMs = 5) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(pollMs);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
    return done();
}
