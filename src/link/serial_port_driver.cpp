// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "serial_port_driver.h"

#include <QFileInfo>
#include <QCoreApplication>
#include <QFile>
#include <QSerialPort>

#include <algorithm>
#include <cstring>

namespace dmm {

std::int32_t SerialPortDriver::bitsPerSecond(BaudRate rate) {
    static constexpr std::int32_t kSpeeds[] = {110,   300,   600,   1200,  2400,  4800,  9600,
                                               14400, 19200, 38400, 56000, 57600, 115200};
    return kSpeeds[static_cast<int>(rate)];
}

namespace {

// How often a lost device's path is looked at while it is waited for.
constexpr int kReopenIntervalMs = 250;

}  // namespace

SerialPortDriver::SerialPortDriver(QObject* owner)
    : QObject(owner), receiveBuffer_(inputBufferSize_) {
    pollTimer_.setObjectName(QStringLiteral("serialPollTimer"));
    pollTimer_.setTimerType(Qt::PreciseTimer);
    pollTimer_.setSingleShot(true);
    connect(&pollTimer_, &QTimer::timeout, this, &SerialPortDriver::poll);
    reopenTimer_.setObjectName(QStringLiteral("serialReopenTimer"));
    reopenTimer_.setInterval(kReopenIntervalMs);
    connect(&reopenTimer_, &QTimer::timeout, this, &SerialPortDriver::reopenLostDevice);
}

SerialPortDriver::~SerialPortDriver() { close(); }

void SerialPortDriver::setPort(PortNumber port) {
    if (!isOpen()) portNumber_ = port;
}

void SerialPortDriver::setBaudRate(BaudRate speed) {
    baudRate_ = speed;
    if (isOpen()) applyLineSettings();
}

void SerialPortDriver::setDataBits(DataBits bits) {
    dataBits_ = bits;
    if (isOpen()) applyLineSettings();
}

void SerialPortDriver::setStopBits(StopBits bits) {
    stopBits_ = bits;
    if (isOpen()) applyLineSettings();
}

void SerialPortDriver::setParity(Parity parity) {
    parity_ = parity;
    if (isOpen()) applyLineSettings();
}

void SerialPortDriver::setHardwareHandshake(HardwareHandshake h) {
    hardwareHandshake_ = h;
    if (isOpen()) applyLineSettings();
}

void SerialPortDriver::setSoftwareHandshake(SoftwareHandshake h) {
    softwareHandshake_ = h;
    if (isOpen()) applyLineSettings();
}

void SerialPortDriver::setInputBufferSize(std::uint16_t size) {
    if (isOpen()) return;
    inputBufferSize_ = size;
    receiveBuffer_ = std::vector<char>(size);
}

void SerialPortDriver::setOutputBufferSize(std::uint16_t size) {
    // Like the input size: taken while closed, so that it is in force at the next open.
    if (isOpen()) return;
    outputBufferSize_ = size;
}

void SerialPortDriver::setPollingDelay(std::uint16_t ms) {
    if (ms == pollingDelay_) return;
    pollingDelay_ = ms;
    // A poll already due comes at the new period.
    if (pollTimer_.isActive()) {
        pollTimer_.stop();
        schedulePoll();
    }
}

void SerialPortDriver::schedulePoll() {
    if (!open_ || polling_ || pollTimer_.isActive()) return;
    // A period of 0 would poll on every pass of the event loop while bytes come in.
    const qint64 wait = pollingInterval() - sinceLastPoll_.elapsed();
    pollTimer_.start(static_cast<int>(std::max<qint64>(wait, 0)));
}

void SerialPortDriver::setPortNames(const PortNameTable* table) {
    portNames_ = table ? table : &systemPortNames_;
}

int SerialPortDriver::nativeHandle() const {
    return port_ && port_->isOpen() ? static_cast<int>(port_->handle()) : -1;
}

qint64 SerialPortDriver::bytesWaiting() const {
    return leftOver_.size() + (port_ && port_->isOpen() ? port_->bytesAvailable() : 0);
}

QString SerialPortDriver::openFailure(const QSerialPort& port, const QString& device) {
    if (port.error() != QSerialPort::PermissionError) return port.errorString();
    // Another program holding the port leaves a lock file named after the device, in one of
    // the system's lock folders, with its process id on the first line.
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/"))) name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* dir : {"/run/lock", "/var/lock", "/var/spool/locks", "/tmp"}) {
        QFile lock(QStringLiteral("%1/LCK..%2").arg(QLatin1String(dir), name));
        if (!lock.open(QIODevice::ReadOnly)) continue;
        bool isNumber = false;
        const qint64 pid = lock.readLine(32).trimmed().toLongLong(&isNumber);
        if (isNumber && pid > 0 && pid != QCoreApplication::applicationPid()) {
            return QStringLiteral("in use by another program (process %1)").arg(pid);
        }
        return QStringLiteral("in use by another program");
    }
    return port.errorString();
}

bool SerialPortDriver::open() {
    if (isOpen()) return true;
    const QString name = portName();
    const QString path = portPath();
    if (path.isEmpty()) {
        lastError_ = portNames_->describe(portIndex() + 1);
        return false;
    }
    if (!openDevice(path)) return false;
    open_ = true;
    sinceLastPoll_.start();
    return true;
}

bool SerialPortDriver::openDevice(const QString& path) {
    auto port = std::make_unique<QSerialPort>(path);
    if (!port->open(QIODevice::ReadWrite)) {
        // A bare name is looked for in /dev: say which device was tried.
        const bool located = path.startsWith(QLatin1Char('/')) ||
                             path.startsWith(QLatin1String("./")) ||
                             path.startsWith(QLatin1String("../"));
        const QString tried = located ? path : QStringLiteral("/dev/") + path;
        lastError_ =
            QStringLiteral("%1 (%2): %3").arg(portName(), tried, openFailure(*port, tried));
        return false;
    }
    port_ = std::move(port);
    portPath_ = path;
    connect(port_.get(), &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onPortError(static_cast<int>(e)); });
    connect(port_.get(), &QSerialPort::readyRead, this, &SerialPortDriver::schedulePoll);
    lost_ = false;
    leftOver_.clear();
    lastError_.clear();
    open_ = true;  // the settings are written to an open port only
    applyLineSettings();
    return true;
}

void SerialPortDriver::setReconnect(bool on) {
    reconnect_ = on;
    if (!on) reopenTimer_.stop();
    if (on && lost_ && port_ && !port_->isOpen()) reopenTimer_.start();
}

void SerialPortDriver::reopenLostDevice() {
    if (!open_ || !lost_ || !reconnect_) {
        reopenTimer_.stop();
        return;
    }
    if (!QFileInfo::exists(portPath_)) return;
    const QString lostReason = lastError_;
    // Opening purges the input: what the old device delivered and polls have not handed over
    // yet is kept aside, and goes first.
    const QByteArray undelivered = leftOver_;
    if (!openDevice(portPath_)) {
        lastError_ = lostReason;  // still waiting for the device: that stays the reason
        return;
    }
    leftOver_ = undelivered;
    reopenTimer_.stop();
    if (!leftOver_.isEmpty()) schedulePoll();
}

void SerialPortDriver::close() {
    if (!isOpen()) return;
    pollTimer_.stop();
    reopenTimer_.stop();
    if (port_) {
        port_->disconnect(this);
        port_->close();
        port_.reset();
    }
    open_ = false;
    lost_ = false;
    leftOver_.clear();
}

void SerialPortDriver::applyLineSettings() {
    if (!isOpen()) return;
    SerialLineSettings s;
    s.baudRate = bitsPerSecond(baudRate_);
    s.dataBits = 5 + static_cast<int>(dataBits_);
    s.parity = "NOEMS"[static_cast<int>(parity_)];
    s.stopBits = stopBits_ == StopBits::One ? 10 : stopBits_ == StopBits::OneAndHalf ? 15 : 20;
    s.rtsCts = hardwareHandshake_ == HardwareHandshake::RtsCts;
    s.xonXoff = softwareHandshake_ == SoftwareHandshake::XonXoff;
    s.dtrOn = raiseDtrOnOpen_;
    s.rtsOn = false;
    s.xonLimit = inputBufferSize_ / 4;
    s.xoffLimit = 1;
    s.inputQueue = inputBufferSize_;
    s.outputQueue = outputBufferSize_;
    lineSettings_ = s;
    if (!port_ || !port_->isOpen()) return;  // device gone: nothing to write to

    // Each setting on its own: what the device refuses stays as the device has it, and the
    // refusal is not an error of the port.
    port_->setBaudRate(s.baudRate);
    port_->setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));
    static constexpr QSerialPort::Parity kParity[] = {
        QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
        QSerialPort::MarkParity, QSerialPort::SpaceParity};
    port_->setParity(kParity[static_cast<int>(parity_)]);
    port_->setStopBits(stopBits_ == StopBits::One       ? QSerialPort::OneStop
                       : stopBits_ == StopBits::OneAndHalf ? QSerialPort::OneAndHalfStop
                                                  : QSerialPort::TwoStop);
    // One flow control at a time on this platform; hardware handshaking wins.
    port_->setFlowControl(s.rtsCts    ? QSerialPort::HardwareControl
                          : s.xonXoff ? QSerialPort::SoftwareControl
                                      : QSerialPort::NoFlowControl);
    port_->setDataTerminalReady(s.dtrOn);
    if (!s.rtsCts) port_->setRequestToSend(false);
    port_->clearError();
    discardBuffered(true, true);
    // The receive queue: the port holds at most this much between two polls (a size of 0
    // would mean no limit to the port).
    port_->setReadBufferSize(std::max<qint64>(inputBufferSize_, 1));
}

void SerialPortDriver::discardBuffered(bool input, bool output) {
    if (!isOpen()) return;
    if (input) leftOver_.clear();
    if (!port_ || !port_->isOpen()) return;
    QSerialPort::Directions d;
    if (input) d |= QSerialPort::Input;
    if (output) d |= QSerialPort::Output;
    if (d) port_->clear(d);
    port_->clearError();
}

void SerialPortDriver::onPortError(int error) {
    const auto e = static_cast<QSerialPort::SerialPortError>(error);
    if (e != QSerialPort::ReadError && e != QSerialPort::ResourceError) return;
    if (lost_) return;
    // The device is gone. The port would report the failed read on every pass of the event
    // loop, so it is closed (outside its own notification) and polling reads nothing until the
    // port is closed and opened again.
    lost_ = true;
    lastError_ = QStringLiteral("%1 (%2): the device went away").arg(portName(), portPath_);
    QMetaObject::invokeMethod(this, &SerialPortDriver::releaseLostDevice, Qt::QueuedConnection);
}

void SerialPortDriver::releaseLostDevice() {
    if (!lost_ || !port_) return;
    // What arrived before the device went away is still delivered.
    leftOver_ += port_->readAll();
    port_->disconnect(this);
    port_->close();
    if (!leftOver_.isEmpty()) schedulePoll();
    if (reconnect_) reopenTimer_.start();
}

void SerialPortDriver::poll() {
    if (!isOpen() || polling_) return;
    polling_ = true;
    pollTimer_.stop();  // a poll by hand takes the place of one scheduled
    sinceLastPoll_.start();
    const qint64 room = static_cast<qint64>(receiveBuffer_.size());
    qint64 count = 0;
    if (!leftOver_.isEmpty()) {
        count = std::min<qint64>(room, leftOver_.size());
        if (count > 0) {
            std::memcpy(receiveBuffer_.data(), leftOver_.constData(),
                        static_cast<std::size_t>(count));
        }
        leftOver_.remove(0, count);
    } else if (port_ && port_->isOpen() && room > 0) {
        count = port_->read(receiveBuffer_.data(), room);  // < 0: a failed read, not reported
    }
    if (count > 0 && receiveHandler_) {
        receiveHandler_(this, receiveBuffer_.data(), static_cast<std::int32_t>(count));
    }
    polling_ = false;
    if (nextReceiveHandlerGiven_) {
        nextReceiveHandlerGiven_ = false;
        receiveHandler_ = std::move(nextReceiveHandler_);
        nextReceiveHandler_ = nullptr;
    }
    // What one poll could not take (or what came while the handler ran) waits for the next.
    if (bytesWaiting() > 0) schedulePoll();
}

void SerialPortDriver::setReceiveHandler(ReceiveHandler handler) {
    if (polling_) {
        // The running handler must not be destroyed under its own feet.
        nextReceiveHandler_ = std::move(handler);
        nextReceiveHandlerGiven_ = true;
    } else {
        receiveHandler_ = std::move(handler);
    }
}

}  // namespace dmm
