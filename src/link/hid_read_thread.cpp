// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "hid_read_thread.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace dmm {

namespace {

// While stop() waits for the reader, it looks at the mailbox at least this often.
constexpr auto kStopPoll = std::chrono::milliseconds(5);
// A report buffer when the device does not say how long its reports are: the longest report
// a full-speed USB interrupt endpoint carries, plus the report ID.
constexpr std::size_t kDefaultReportLength = 65;

}  // namespace

HidReadThread::HidReadThread(HidReadSource& source, std::size_t reportLength, Handlers handlers)
    : source_(source),
      handlers_(std::move(handlers)),
      buffer_(reportLength > 0 ? reportLength : kDefaultReportLength) {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        throw std::runtime_error(std::string("cannot make a reader's wake-up event: ") +
                                 std::strerror(errno));
    }
    wakeNotifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    // The delivery runs from a call queued on the user-interface thread rather than inside the
    // notifier's own event, so that a handler may stop and drop this reader (and its notifier).
    QObject::connect(wakeNotifier_.get(), &QSocketNotifier::activated, [this] {
        std::uint64_t count = 0;
        while (::read(wakeFd_, &count, sizeof count) < 0 && errno == EINTR) {
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [reader = weak_from_this()] {
                if (const auto self = reader.lock()) self->deliverPending();
            },
            Qt::QueuedConnection);
    });
}

HidReadThread::~HidReadThread() {
    stop();
    wakeNotifier_.reset();
    ::close(wakeFd_);
}

void HidReadThread::start() {
    if (thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
        ended_ = false;
    }
    thread_ = std::thread([this] { run(); });
}

void HidReadThread::stop() {
    if (!thread_.joinable()) return;
    // A delivery run here may drop the caller's reference to this reader.
    const auto self = weak_from_this().lock();
    std::unique_lock lock(mutex_);
    stopRequested_ = true;
    changed_.notify_all();
    // The reader may be waiting for a delivery it has handed over: carry it out here.
    while (!ended_) {
        if (mail_ == Mail::Pending) {
            deliver(lock);
        } else {
            changed_.wait_for(lock, kStopPoll);
        }
    }
    lock.unlock();
    thread_.join();
    lock.lock();
    if (mail_ == Mail::Pending) deliver(lock);
}

void HidReadThread::run() {
    std::unique_ptr<HidConnection> connection;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopRequested_) break;
        }
        if (source_.takeReadCloseRequest()) connection.reset();
        if (!connection) {
            HidError error;
            connection = source_.openForReading(&error);
            if (!connection) {
                // The read cannot be started (the device is gone or refuses): say so once, and
                // try again only after a wait slice, so a pulled cable does not flood anyone.
                if (!handOver(Kind::Error, 0, error.code)) break;
                pause();
                continue;
            }
        }
        std::fill(buffer_.begin(), buffer_.end(), 0);
        const int n = connection->readInputReport(buffer_.data(), buffer_.size(),
                                                  source_.readWaitSlice());
        if (n > 0) {
            if (!handOver(Kind::Data, static_cast<std::size_t>(n), 0)) break;
        } else if (n < 0) {
            // A failed read delivers nothing; the device is opened again after a pause.
            connection.reset();
            pause();
        }
    }
    connection.reset();
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

bool HidReadThread::handOver(Kind kind, std::size_t size, std::uint32_t code) {
    std::unique_lock lock(mutex_);
    if (stopRequested_) return false;
    mail_ = Mail::Pending;
    kind_ = kind;
    size_ = std::min(size, buffer_.size());
    code_ = code;
    lock.unlock();
    const std::uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    lock.lock();
    changed_.wait(lock, [this] { return mail_ == Mail::Empty || stopRequested_; });
    return !stopRequested_;
}

void HidReadThread::pause() {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(source_.readWaitSlice()),
                      [this] { return stopRequested_; });
}

void HidReadThread::deliverPending() {
    std::unique_lock lock(mutex_);
    if (mail_ == Mail::Pending) deliver(lock);
}

void HidReadThread::deliver(std::unique_lock<std::mutex>& lock) {
    mail_ = Mail::Running;
    const Kind kind = kind_;
    const std::uint32_t code = code_;
    if (kind == Kind::Data) delivered_.assign(buffer_.begin(), buffer_.begin() + size_);
    // The handler may be long or spin the event loop: the mailbox is unlocked meanwhile, and
    // only the mail state says the delivery is still running. A stop() called from that loop
    // ends the reader without waiting for this delivery.
    lock.unlock();
    struct Done {
        HidReadThread* self;
        std::unique_lock<std::mutex>& lock;
        ~Done() {
            lock.lock();
            self->mail_ = Mail::Empty;
            self->changed_.notify_all();
        }
    } done{this, lock};
    if (kind == Kind::Data) {
        if (handlers_.data) handlers_.data(delivered_.data(), delivered_.size());
    } else if (handlers_.error) {
        handlers_.error(code);
    }
}

}  // namespace dmm
