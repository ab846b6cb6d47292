// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "meter_simulator.h"

#include "cable_reports.h"

#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace dmm {

namespace {

// A reader that has just opened the device still sets up its line and discards what the
// line holds; frames start this long after it is seen.
constexpr qint64 kReaderSettleMs = 250;
constexpr qint64 kReaderLookMs = 20;
constexpr qint64 kLongestTickMs = 1000;

}  // namespace

MeterSimulator::MeterSimulator(const Options& options, QObject* parent)
    : QObject(parent), options_(options), script_(options.family, options.seed) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &MeterSimulator::tick);
}

MeterSimulator::~MeterSimulator() { closeOutput(); }

bool MeterSimulator::openPty() {
    closeOutput();
    fd_ = -1;
    return pty_.open(&lastError_);
}

bool MeterSimulator::openOutput(const QString& path) {
    closeOutput();
    pty_.close();
    if (path == QLatin1String("-")) {
        fd_ = STDOUT_FILENO;
        return true;
    }
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        lastError_ = QStringLiteral("cannot write %1: %2")
                         .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    fd_ = fd;
    ownsFd_ = true;
    outputPath_ = path;
    return true;
}

bool MeterSimulator::closeOutput() {
    if (!ownsFd_) return true;
    ownsFd_ = false;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        lastError_ = QStringLiteral("cannot write %1: %2")
                         .arg(outputPath_, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

void MeterSimulator::setOutputFd(int fd) {
    closeOutput();
    pty_.close();
    fd_ = fd;
}

void MeterSimulator::start() {
    const double rate = options_.rate;
    // A very low rate waits as long as it says (up to about three centuries), not a period
    // that wrapped around.
    constexpr double kLongestMs = 1e13;
    const qint64 period =
        rate > 0 ? std::max<qint64>(1, std::llround(std::min(1000.0 / rate, kLongestMs))) : 0;
    // On a pseudo-terminal a reader is looked for at least every 20 ms; otherwise the timer
    // looks at least once a second whether the next frame is due.
    const bool pty = pty_.isOpen();
    const qint64 limit = pty ? kReaderLookMs : kLongestTickMs;
    timer_.start(static_cast<int>(period == 0 ? (pty ? limit : 0) : std::min(period, limit)));
    nextDueMs_ = 0;
    periodMs_ = period;
    clock_.start();
}

void MeterSimulator::stop() { timer_.stop(); }

void MeterSimulator::finish(const QString& error) {
    timer_.stop();
    if (!error.isEmpty()) lastError_ = error;
    emit finished();
}

bool MeterSimulator::flushPending() {
    while (pendingFrom_ < frame_.size()) {
        const char* data = frame_.data() + pendingFrom_;
        const std::size_t size = frame_.size() - pendingFrom_;
        long n = 0;
        if (pty_.isOpen()) {
            n = pty_.write(data, size);
            if (n == 0) return false;  // the reader's queue is full; try again next tick
        } else {
            const ssize_t w = ::write(fd_, data, size);
            if (w < 0 && errno == EINTR) continue;
            n = w < 0 ? -1 : static_cast<long>(w);
        }
        if (n < 0) {
            finish(QStringLiteral("cannot write: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(errno))));
            return false;
        }
        pendingFrom_ += static_cast<std::size_t>(n);
    }
    if (pendingFrame_) {
        pendingFrame_ = false;
        ++framesWritten_;
        emit frameWritten(framesWritten_, lastDisplay_);
        if (options_.frames >= 0 && framesWritten_ >= options_.frames) {
            finish(QString());
            return false;
        }
    }
    return true;
}

void MeterSimulator::tick() {
    step();
    paceTimer();
}

void MeterSimulator::paceTimer() {
    if (!pty_.isOpen() || periodMs_ == 0 || !timer_.isActive()) return;
    // Looking for a reader, letting it settle or waiting for room in its queue: every 20 ms.
    // Once frames flow, the timer wakes only when the next one is due.
    const bool waiting = !readerSince_.isValid() || readerSince_.elapsed() < kReaderSettleMs ||
                         pendingFrom_ < frame_.size();
    const int interval =
        static_cast<int>(waiting ? kReaderLookMs : std::min(periodMs_, kLongestTickMs));
    if (timer_.interval() != interval) timer_.setInterval(interval);
}

void MeterSimulator::step() {
    if (pty_.isOpen()) {
        if (!pty_.readerAttached()) {
            // Nobody listens: the frame in hand is lost with the line, as on a real cable.
            readerSince_.invalidate();
            frame_.clear();
            pendingFrom_ = 0;
            pendingFrame_ = false;
            return;
        }
        if (!readerSince_.isValid()) readerSince_.start();
        if (readerSince_.elapsed() < kReaderSettleMs) return;
    } else if (fd_ < 0) {
        finish(QStringLiteral("no output"));
        return;
    }
    if (options_.frames >= 0 && framesWritten_ >= options_.frames) {
        finish(QString());
        return;
    }
    if (!flushPending()) return;
    if (periodMs_ > 0) {
        // Timer ticks may come a little early or late; frames keep their schedule, and after
        // a long stall the schedule starts again instead of sending a burst.
        const qint64 now = clock_.elapsed();
        if (now + 2 < nextDueMs_) return;
        nextDueMs_ += periodMs_;
        if (nextDueMs_ <= now) nextDueMs_ = now + periodMs_;
    }

    lastDisplay_ = script_.next();
    std::string error;
    if (!encodeFrame(options_.family, lastDisplay_, frame_, &error)) {
        finish(QStringLiteral("cannot encode a reading: %1").arg(QString::fromStdString(error)));
        return;
    }
    if (options_.cableReports) {
        std::string lines;
        for (const CableReport& r : cableReports(cableFrameBytes(options_.family, frame_))) {
            lines += cableReportLine(r);
            lines += '\n';
        }
        frame_ = std::move(lines);
    }
    pendingFrom_ = 0;
    pendingFrame_ = true;
    flushPending();
}

}  // namespace dmm
