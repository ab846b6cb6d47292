// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The waits of every test folder. A test waits for a condition, with a deadline that only a
// condition that never comes true reaches, also on a machine whose cores are all busy; it never
// waits for a fixed time. "This did not happen" is checked after an event that proves the moment
// has passed: the queued events handled, a timer started later having fired.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace dmm::test {

inline constexpr int kGenerousDeadlineMs = 30000;

// Runs the event loop until `condition` holds or `deadlineMs` have passed; returns whether it
// holds. The condition is looked at after every batch of events and at least every few
// milliseconds, for conditions that other threads or processes make true.
inline bool waitFor(const std::function<bool()>& condition,
                    int deadlineMs = kGenerousDeadlineMs) {
    const QDeadlineTimer deadline(deadlineMs);
    QTimer wake;  // keeps the loop from blocking while nothing of its own happens
    wake.start(2);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs the event loop until every event queued before the call has been handled: a call queued
// behind them has run.
inline bool processQueuedEvents() {
    const auto reached = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [reached] { *reached = true; }, Qt::QueuedConnection);
    return waitFor([&] { return *reached; });
}

// Runs the event loop until a timer of `intervalMs`, started now, has fired `ticks` times. A
// timer of the same thread with that interval or a shorter one, already running, has then fired
// at least `ticks - 1` times: the proof that what it does (or must not do) had its turns.
inline bool waitForTimerTicks(int intervalMs, int ticks) {
    QTimer later;
    later.setTimerType(Qt::PreciseTimer);
    int fired = 0;
    QObject::connect(&later, &QTimer::timeout, [&fired] { ++fired; });
    later.start(intervalMs);
    return waitFor([&] { return fired >= ticks; });
}

// Ends the test program with a message when the scope it guards has not ended in time: for a
// call that, broken, would never return (a deadlock), so that the test fails instead of hanging.
class HangGuard {
public:
    explicit HangGuard(std::string what, int deadlineMs = kGenerousDeadlineMs)
        : watcher_([this, what = std::move(what), deadlineMs] {
              std::unique_lock lock(mutex_);
              if (!ended_.wait_for(lock, std::chrono::milliseconds(deadlineMs),
                                   [this] { return done_; })) {
                  std::fprintf(stderr, "FAILED: %s did not return within %d ms\n", what.c_str(),
                               deadlineMs);
                  std::fflush(stderr);
                  std::_Exit(EXIT_FAILURE);
              }
          }) {}
    ~HangGuard() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        ended_.notify_all();
        watcher_.join();
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread watcher_;  // last: starts once the members it uses exist
};

}  // namespace dmm::test
