// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "hid_backend.h"

class QSocketNotifier;

namespace dmm {

// What a reader needs of its device. Every call may come from the reader's thread.
class HidReadSource {
public:
    virtual ~HidReadSource() = default;
    // Opens the device for reading, when it may be opened now; null (with `error`) otherwise.
    virtual std::unique_ptr<HidConnection> openForReading(HidError* error) = 0;
    // How long one read waits for a report, in milliseconds.
    virtual int readWaitSlice() const = 0;
    // True once after the device's read handle was closed by its owner (the device was
    // unplugged): the reader then drops its connection.
    virtual bool takeReadCloseRequest() = 0;
};

// Reads the input reports of one device on a thread of its own and hands each report, and each
// read that could not be started, over to the user-interface thread, where the handlers run.
// The reader waits until the handler has returned before it reads again, so reports reach the
// handler one at a time and in order.
//
// The hand-over is a mailbox holding at most one delivery, guarded by a mutex and a condition
// variable; the reader wakes the user-interface thread through an event descriptor that a
// socket notifier of that thread watches. stop() answers within one wait slice and carries out a
// delivery that is already waiting, so stopping never deadlocks with a hand-over.
class HidReadThread : public std::enable_shared_from_this<HidReadThread> {
public:
    struct Handlers {
        // A report, report ID first; the bytes are valid during the call.
        std::function<void(const std::uint8_t* report, std::size_t size)> data;
        // A read could not be started; the platform's error code.
        std::function<void(std::uint32_t code)> error;
    };

    // Made (always through std::make_shared) and destroyed on the user-interface thread; the
    // buffer holds `reportLength` bytes. A delivery keeps the reader alive until it has returned,
    // even when its handler drops the last other reference.
    HidReadThread(HidReadSource& source, std::size_t reportLength, Handlers handlers);
    ~HidReadThread();
    HidReadThread(const HidReadThread&) = delete;
    HidReadThread& operator=(const HidReadThread&) = delete;

    void start();
    // Asks the reader to stop and waits until it has ended. Runs on the user-interface thread.
    void stop();
    bool running() const { return thread_.joinable(); }
    std::size_t reportLength() const { return buffer_.size(); }

private:
    enum class Mail { Empty, Pending, Running };
    enum class Kind { Data, Error };

    void run();
    // Reader side: posts a delivery and waits until it has been handled. False when asked to
    // stop meanwhile.
    bool handOver(Kind kind, std::size_t size, std::uint32_t code);
    // Reader side: waits one slice, or less when asked to stop.
    void pause();
    // User-interface side: runs the delivery in the mailbox, if any.
    void deliverPending();
    void deliver(std::unique_lock<std::mutex>& lock);

    HidReadSource& source_;
    Handlers handlers_;
    std::vector<std::uint8_t> buffer_;     // the reader's
    std::vector<std::uint8_t> delivered_;  // the report as handed to the handler

    std::mutex mutex_;
    std::condition_variable changed_;
    Mail mail_ = Mail::Empty;
    Kind kind_ = Kind::Data;
    std::size_t size_ = 0;
    std::uint32_t code_ = 0;
    bool stopRequested_ = false;
    bool ended_ = false;

    int wakeFd_ = -1;
    std::unique_ptr<QSocketNotifier> wakeNotifier_;
    std::thread thread_;
};

}  // namespace dmm
