// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "port_name_table.h"

class QSerialPort;

namespace dmm {

// The line settings applyLineSettings last wrote to the port, in the driver's own terms.
struct SerialLineSettings {
    std::int32_t baudRate = 0;
    int dataBits = 0;       // 5 to 8
    char parity = 'N';      // 'N' none, 'O' odd, 'E' even, 'M' mark, 'S' space
    int stopBits = 10;      // tenths of a bit: 10, 15 or 20
    bool rtsCts = false;    // hardware flow control
    bool xonXoff = false;   // software flow control
    bool dtrOn = false;     // DTR raised while open
    bool rtsOn = false;     // RTS raised (held off without hardware flow control)
    int xonLimit = 0;       // receive queue low mark, a quarter of the input buffer
    int xoffLimit = 0;
    int inputQueue = 0;     // bytes the port may hold between two polls
    int outputQueue = 0;
};

// Receives bytes from a serial port: opens the device behind COM1..COM4 with fixed line
// settings, and hands every block that has arrived to receiveHandler, on the thread that owns
// the driver (the UI thread). The driver never sends.
//
// A poll takes at most inputBufferSize bytes into the one receiveBuffer and never waits for
// more. Polls follow the bytes: arriving bytes schedule one, at most one every pollingDelay ms
// (at once when the last poll is longer ago), and a poll that leaves bytes behind schedules the
// next; while nothing arrives the driver does not wake at all.
//
// A device that goes away while open (an adapter pulled out) makes reads fail quietly; the
// driver stays open until close, and a later open finds the device again. With
// setReconnect(true) the driver itself waits for a device to appear again at the same path and
// reopens it with the same settings, so that polling delivers its bytes as before.
class SerialPortDriver : public QObject {
    Q_OBJECT
    Q_PROPERTY(PortNumber port READ port WRITE setPort)
    Q_PROPERTY(BaudRate baudRate READ baudRate WRITE setBaudRate)
    Q_PROPERTY(DataBits dataBits READ dataBits WRITE setDataBits)
    Q_PROPERTY(StopBits stopBits READ stopBits WRITE setStopBits)
    Q_PROPERTY(Parity parity READ parity WRITE setParity)
    Q_PROPERTY(HardwareHandshake hardwareHandshake READ hardwareHandshake WRITE
                   setHardwareHandshake)
    Q_PROPERTY(SoftwareHandshake softwareHandshake READ softwareHandshake WRITE
                   setSoftwareHandshake)
    Q_PROPERTY(quint16 inputBufferSize READ inputBufferSize WRITE setInputBufferSize)
    Q_PROPERTY(quint16 outputBufferSize READ outputBufferSize WRITE setOutputBufferSize)
    Q_PROPERTY(quint16 pollingDelay READ pollingDelay WRITE setPollingDelay)
    Q_PROPERTY(bool raisesDtrOnOpen READ raisesDtrOnOpen WRITE setRaiseDtrOnOpen)
    Q_PROPERTY(quint16 outputTimeout READ outputTimeout WRITE setOutputTimeout)

public:
    enum class PortNumber { Com1, Com2, Com3, Com4 };
    Q_ENUM(PortNumber)
    enum class BaudRate {
        Baud110, Baud300, Baud600, Baud1200, Baud2400, Baud4800, Baud9600, Baud14400, Baud19200,
        Baud38400, Baud56000, Baud57600, Baud115200
    };
    Q_ENUM(BaudRate)
    enum class DataBits { Five, Six, Seven, Eight };
    Q_ENUM(DataBits)
    enum class StopBits { One, OneAndHalf, Two };
    Q_ENUM(StopBits)
    enum class Parity { None, Odd, Even, Mark, Space };
    Q_ENUM(Parity)
    enum class HardwareHandshake { None, RtsCts };
    Q_ENUM(HardwareHandshake)
    enum class SoftwareHandshake { None, XonXoff };
    Q_ENUM(SoftwareHandshake)

    // Sender, the received bytes (valid only during the call) and their count.
    using ReceiveHandler =
        std::function<void(SerialPortDriver* sender, const void* dataPtr, std::int32_t dataSize)>;

    static std::int32_t bitsPerSecond(BaudRate rate);

    explicit SerialPortDriver(QObject* owner = nullptr);
    ~SerialPortDriver() override;

    // The port is taken only while closed; the line settings take effect at once while open;
    // the buffer sizes are taken only while closed.
    PortNumber port() const { return portNumber_; }
    void setPort(PortNumber port);
    BaudRate baudRate() const { return baudRate_; }
    void setBaudRate(BaudRate speed);
    DataBits dataBits() const { return dataBits_; }
    void setDataBits(DataBits bits);
    StopBits stopBits() const { return stopBits_; }
    void setStopBits(StopBits bits);
    Parity parity() const { return parity_; }
    void setParity(Parity parity);
    HardwareHandshake hardwareHandshake() const { return hardwareHandshake_; }
    void setHardwareHandshake(HardwareHandshake h);
    SoftwareHandshake softwareHandshake() const { return softwareHandshake_; }
    void setSoftwareHandshake(SoftwareHandshake h);
    std::uint16_t inputBufferSize() const { return inputBufferSize_; }
    void setInputBufferSize(std::uint16_t size);
    std::uint16_t outputBufferSize() const { return outputBufferSize_; }
    void setOutputBufferSize(std::uint16_t size);
    // The fewest milliseconds between two polls while open.
    std::uint16_t pollingDelay() const { return pollingDelay_; }
    void setPollingDelay(std::uint16_t ms);
    // Whether DTR is raised while the port is open.
    bool raisesDtrOnOpen() const { return raiseDtrOnOpen_; }
    void setRaiseDtrOnOpen(bool on) { raiseDtrOnOpen_ = on; }
    // Milliseconds a write may wait; kept for completeness, the driver never writes.
    std::uint16_t outputTimeout() const { return outputTimeout_; }
    void setOutputTimeout(std::uint16_t ms) { outputTimeout_ = ms; }
    const ReceiveHandler& receiveHandler() const { return receiveHandler_; }
    // A handler given while the current one runs takes over when that call returns.
    void setReceiveHandler(ReceiveHandler handler);

    // Opens the device behind port and starts polling. True when the port is open
    // afterwards, also when it was open already. On failure lastError() says why.
    bool open();
    // Stops polling and closes the port; nothing when closed.
    void close();
    bool isOpen() const { return open_; }
    // Writes the line settings to the open port. Settings the device refuses (a
    // pseudo-terminal has no DTR or RTS line) are left as the device has them.
    void applyLineSettings();
    // Discards what the port holds in the named directions.
    void discardBuffered(bool input, bool output);

    // The names COMn stand for; the driver uses the system's table unless given one. The
    // table must outlive the driver.
    void setPortNames(const PortNameTable* table);
    const PortNameTable& portNames() const { return *portNames_; }
    // "COM1".."COM4".
    QString portName() const { return PortNameTable::portName(portIndex() + 1); }
    // The device path port stands for now (empty when none).
    QString portPath() const { return portNames_->resolve(portIndex() + 1); }
    // Why the last open failed, or why the open device stopped delivering; a sentence
    // naming the port and the device, e.g. "COM1 (/dev/ttyUSB0): Permission denied".
    QString lastError() const { return lastError_; }
    // The open device went away; reads fail quietly until close (or until the device is
    // back, with setReconnect).
    bool deviceLost() const { return lost_; }
    // Whether a lost device is waited for and reopened when a device appears at its path.
    void setReconnect(bool on);
    bool reconnects() const { return reconnect_; }
    // The device the open port reads, or waits for (empty when closed).
    QString devicePath() const { return open_ ? portPath_ : QString(); }
    // Bytes that arrived before the device went away and that polls have not handed over yet.
    bool hasUndeliveredBytes() const { return !leftOver_.isEmpty(); }

    // What the last applyLineSettings wrote.
    const SerialLineSettings& lineSettings() const { return lineSettings_; }
    // The operating system's handle of the open device (-1 when closed or lost).
    int nativeHandle() const;
    // Bytes received and waiting for the next poll.
    qint64 bytesWaiting() const;
    // Whether arriving bytes are polled and handed on (the port is open).
    bool isPolling() const { return open_; }
    // The fewest milliseconds between two polls in force (at least 1).
    int pollingInterval() const { return std::max<int>(pollingDelay_, 1); }
    // Whether bytes wait for a poll that is scheduled.
    bool pollPending() const { return pollTimer_.isActive(); }
    const std::vector<char>& receiveBuffer() const { return receiveBuffer_; }

public slots:
    // One read of what has arrived, at most inputBufferSize bytes, handed to receiveHandler when
    // there is at least one byte and a handler.
    void poll();
    // One tick of the timer that waits for a lost device with reconnecting on: reopens the device
    // when one is at its path again. Bytes the lost device delivered are handed over first.
    void reopenLostDevice();

private:
    int portIndex() const { return static_cast<int>(portNumber_); }  // 0 for COM1
    void onPortError(int error);
    // Why `port` could not open `device`, in the user's terms (a port held by another program
    // is said to be in use, with that program's process id where its lock file gives it).
    static QString openFailure(const QSerialPort& port, const QString& device);
    void releaseLostDevice();
    // Bytes are waiting: a poll is due pollingDelay ms after the last one, or now.
    void schedulePoll();
    bool openDevice(const QString& path);

    PortNumber portNumber_ = PortNumber::Com2;
    BaudRate baudRate_ = BaudRate::Baud9600;
    DataBits dataBits_ = DataBits::Eight;
    StopBits stopBits_ = StopBits::One;
    Parity parity_ = Parity::None;
    HardwareHandshake hardwareHandshake_ = HardwareHandshake::None;
    SoftwareHandshake softwareHandshake_ = SoftwareHandshake::None;
    std::uint16_t inputBufferSize_ = 2048;
    std::uint16_t outputBufferSize_ = 2048;
    std::uint16_t pollingDelay_ = 50;
    bool raiseDtrOnOpen_ = true;
    std::uint16_t outputTimeout_ = 4000;
    ReceiveHandler receiveHandler_;
    ReceiveHandler nextReceiveHandler_;  // given during a call of receiveHandler_
    bool nextReceiveHandlerGiven_ = false;

    PortNameTable systemPortNames_;
    const PortNameTable* portNames_ = &systemPortNames_;
    std::unique_ptr<QSerialPort> port_;
    bool open_ = false;
    bool lost_ = false;
    bool reconnect_ = false;
    QTimer reopenTimer_;    // while a lost device is waited for
    bool polling_ = false;  // inside poll: a handler that spins the event loop cannot nest
    QByteArray leftOver_;   // bytes the port held when its device went away
    QString lastError_;
    QString portPath_;      // the device the open port reads
    SerialLineSettings lineSettings_;
    std::vector<char> receiveBuffer_;
    QTimer pollTimer_;             // single shot, started while bytes wait for a poll
    QElapsedTimer sinceLastPoll_;  // since the last poll, or the open
};

}  // namespace dmm
