// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <string>

#include "frame_encoder.h"
#include "pseudo_terminal.h"
#include "reading_script.h"
#include "reading_state.h"

namespace dmm {

// A simulated meter: sends the frames of a family, made from a scripted sequence of readings
// (ReadingScript) by the frame encoder, at a fixed rate, to a pseudo-terminal or to a file.
// Runs on the event loop of its thread (a QTimer), so a window can start it in-process and
// open its device like a real port:
//
//     MeterSimulator sim({Family::Kelt});
//     if (sim.openPty()) { portNames.map(1, sim.devicePath()); sim.start(); }
//
// On a pseudo-terminal the meter sends only while a reader has the device open, as a meter
// whose cable is plugged in; frames are counted only when sent.
class MeterSimulator : public QObject {
    Q_OBJECT

public:
    struct Options {
        Family family = Family::Kelt;
        double rate = 2.0;          // frames per second; 0 sends as fast as the output takes them
        std::int64_t frames = -1;   // stop after this many frames; negative: run until stopped
        std::uint64_t seed = 1;     // the same seed gives the same readings
        // Write the USB cable's input reports, one per text line in hexadecimal (the form
        // `dmmcli decode --road usb` reads), instead of the serial bytes.
        bool cableReports = false;
    };

    explicit MeterSimulator(const Options& options, QObject* parent = nullptr);
    ~MeterSimulator() override;

    // Creates a pseudo-terminal to send to. False, with lastError(), when none can be made.
    bool openPty();
    // The device a reader opens (the pseudo-terminal's slave side); empty without one.
    QString devicePath() const { return pty_.slavePath(); }
    // Sends to a file instead, created or emptied, or to standard output for "-". False, with
    // lastError(), when it cannot be opened. Writes to it wait.
    bool openOutput(const QString& path);
    // Closes the file of openOutput; false, with lastError(), when what was written could not
    // be stored.
    bool closeOutput();
    // Sends to an open file descriptor the caller owns (a pipe, a socket).
    void setOutputFd(int fd);

    void start();
    void stop();
    bool isRunning() const { return timer_.isActive(); }

    std::int64_t framesWritten() const { return framesWritten_; }
    const Options& options() const { return options_; }
    const MeterDisplay& lastDisplay() const { return lastDisplay_; }
    QString lastError() const { return lastError_; }
    // The pseudo-terminal's reader, if any, has the device open.
    bool readerAttached() const { return pty_.isOpen() && pty_.readerAttached(); }

signals:
    // A frame went out whole: its number (from 1) and the display it shows.
    void frameWritten(qint64 number, const MeterDisplay& display);
    // The simulator stopped by itself: the frame count was reached or the output failed
    // (lastError() says why).
    void finished();

private:
    void tick();
    // One tick's work: a frame sent when one is due and a reader listens.
    void step();
    // The timer's period for what the simulator waits for now.
    void paceTimer();
    bool flushPending();
    void finish(const QString& error);

    Options options_;
    ReadingScript script_;
    PseudoTerminal pty_;
    int fd_ = -1;
    bool ownsFd_ = false;
    QString outputPath_;
    QTimer timer_;
    QElapsedTimer readerSince_;  // valid while a reader is attached
    QElapsedTimer clock_;        // since start()
    qint64 periodMs_ = 0;        // between two frames; 0: no pacing
    qint64 nextDueMs_ = 0;       // when the next frame is due, on clock_
    std::string frame_;
    std::size_t pendingFrom_ = 0;  // bytes of frame_ not yet written
    bool pendingFrame_ = false;
    MeterDisplay lastDisplay_;
    std::int64_t framesWritten_ = 0;
    QString lastError_;
};

}  // namespace dmm

Q_DECLARE_METATYPE(dmm::MeterDisplay)
