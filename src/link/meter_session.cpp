// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "meter_session.h"

#include <QDateTime>

#include <chrono>
#include <exception>
#include <utility>

#include "hid_device_controller.h"
#include "hid_device_text.h"
#include "linux_hid_backend.h"
#include "reading_message.h"
#include "reading_publisher.h"
#include "remote_meter.h"
#include "serial_port_driver.h"

namespace dmm {

namespace {

// What tells the session's device handlers apart (see HidEvent).
const char kArrivalKey = 0;
const char kEnumerateKey = 0;
const char kChangeKey = 0;

}  // namespace

MeterSession::MeterSession(QObject* parent)
    : QObject(parent),
      core_(this, &readingClock_),
      serialPort_(std::make_unique<SerialPortDriver>()) {
    // The meter's serial line: 2400 baud, 8 data bits, no parity, 1 stop bit, no flow control,
    // DTR on, RTS off, read as bytes arrive (handed on at most every 50 ms).
    serialPort_->setPortNames(&portNames_);
    serialPort_->setPort(SerialPortDriver::PortNumber::Com1);
    serialPort_->setBaudRate(SerialPortDriver::BaudRate::Baud2400);
    serialPort_->setReceiveHandler([this](SerialPortDriver*, const void* data, std::int32_t size) {
        if (!serialFamily_) return;  // no frame assembly chosen: the bytes are dropped
        deliver([&] { core_.receiveBytes(*serialFamily_, data, size); });
    });
}

MeterSession::~MeterSession() {
    // Every source of frames stops before what it feeds goes away: the cable's readers before
    // their devices, the devices before the controller that listed them, the port last.
    core_.setSink(nullptr);
    for (HidDevice* device : listed_) {
        if (device) device->setDataHandler({});
    }
    delete std::exchange(hidController_, nullptr);  // detaches the devices still held
    for (HidDevice*& device : listed_) HidDevice::release(std::exchange(device, nullptr));
    serialPort_->close();
}

template <class Delivery>
void MeterSession::deliver(const Delivery& delivery) {
    const std::uint64_t droppedBefore = core_.counters().dropped();
    try {
        delivery();
    } catch (const std::exception& e) {
        emit failed(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        emit failed(QStringLiteral("Unexpected failure"));
    }
    const std::uint64_t dropped = core_.counters().dropped() - droppedBefore;
    if (dropped > 0) emit framesDropped(dropped);
}

// ---- The pipeline's far end and the watchdog ----

void MeterSession::frameSeen() {
    using namespace std::chrono;
    decodedAtUtcMs_ = remoteUtcMs_.value_or(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
    ticksSinceFrame_ = 0;
    setLit(true);
    display_->frameSeen();
}

void MeterSession::frameDone() {
    ReadingMessage m;
    m.utcMs = decodedAtUtcMs_;
    m.seq = core_.counters().decoded;
    m.family = core_.lastOutcome().family;
    m.frame = core_.frameText();
    m.reading = &core_.reading();
    m.decimalSeparator = core_.state.localeDecimal;
    message_ = readingJson(m);
    display_->frameDone();
    if (publisher_) publisher_->publish(message_);
    emit readingDecoded();
}

void MeterSession::publishTo(std::unique_ptr<ReadingPublisher> publisher) {
    publisher_ = std::move(publisher);
}

void MeterSession::setLit(bool lit) {
    if (lit == lit_) return;
    lit_ = lit;
    emit linkLitChanged(lit);
}

void MeterSession::tick() {
    if (ticksSinceFrame_ == kTicksBeforeDark) {
        dropSilentCable();
        setLit(false);
        ticksSinceFrame_ = 0;
    } else {
        ++ticksSinceFrame_;
    }
    const bool lost = serialPort_->isOpen() && serialPort_->deviceLost();
    if (lost != serialLostSeen_) {
        serialLostSeen_ = lost;
        if (lost) {
            emit serialDeviceLost(serialPort_->lastError());
        } else if (serialPort_->isOpen()) {
            emit serialDeviceBack();
        }
    }
}

void MeterSession::dropSilentCable() {
    if (!dropSilentCable_ || core_.idleReportCount() < kIdleReportLimit) return;
    // The cable answers but the meter behind it sends nothing.
    core_.setIdleReportCount(0);
    stopCable();
    emit cableSilent();
}

QString MeterSession::linkDescription() const {
    const FrameCounters& c = core_.counters();
    const QString counts =
        QStringLiteral("frames decoded: %1, dropped: %2").arg(c.decoded).arg(c.dropped());
    const QString broker = publisher_ ? QStringLiteral("\npublished to ") +
                                            publisher_->describe()
                                      : QString();
    if (remote_) return QStringLiteral("broker %1\n%2").arg(remote_->describe(), counts);
    if (cableLinkActive()) {
        return QStringLiteral("USB cable (%1)\n%2%3")
            .arg(QString::fromStdString(current_->identity().devicePath), counts, broker);
    }
    const bool gone = serialPort_->deviceLost();
    const QString path = gone ? serialPort_->devicePath() : portNames_.resolve(port());
    return QStringLiteral("COM%1 (%2)%3\n%4%5")
        .arg(port())
        .arg(path.isEmpty() ? QStringLiteral("no serial device") : path)
        .arg(gone ? QStringLiteral(": the device is gone; waiting for it to come back")
                  : QString())
        .arg(counts, broker);
}

// ---- Serial port ----

void MeterSession::choosePort(int n) {
    serialPort_->setPort(static_cast<SerialPortDriver::PortNumber>(n - 1));
}

int MeterSession::port() const { return static_cast<int>(serialPort_->port()) + 1; }

void MeterSession::setReconnect(bool on) { serialPort_->setReconnect(on); }

bool MeterSession::openSerialPort() {
    unsubscribe();
    stopCable();
    serialLostSeen_ = false;
    return serialPort_->open();
}

void MeterSession::closeSerialPort() {
    const bool wasOpen = serialPort_->isOpen();
    serialPort_->close();
    serialLostSeen_ = false;
    if (wasOpen) emit serialPortClosed();
}

bool MeterSession::serialPortOpen() const { return serialPort_->isOpen(); }

QString MeterSession::serialError() const { return serialPort_->lastError(); }

void MeterSession::drainSerialPort() {
    serialPort_->poll();
    // A device that went away may hold more than one poll takes; each poll hands on a block.
    for (int i = 0; i < 1024 && serialPort_->hasUndeliveredBytes(); ++i) serialPort_->poll();
}

// ---- USB cable: the device list ----

bool MeterSession::watchHidDevices(HidBackend* backend, QString* changesProblem) {
    if (!backend) {
        systemHid_ = std::make_unique<LinuxHidBackend>();
        backend = systemHid_.get();
    }
    if (!backend->available()) return false;
    QString why;
    if (!backend->watchChanges(&why) && changesProblem) *changesProblem = why;
    hidController_ = new HidDeviceController(backend, this);
    hidController_->setDeviceReadWaitSlice(100);
    hidController_->setArrivalHandler(HidPlugEvent(
        [this](HidDevice* device) { emit historyLine(QStringLiteral("Arrival of ") +
                                                     hidDeviceText(device)); },
        &kArrivalKey));
    hidController_->setRemovalHandler(HidPlugEvent(this, &MeterSession::onDeviceRemoved));
    hidController_->setEnumerateHandler(HidEnumerateEvent(
        [this](HidDevice* device, int index) {
            deviceLines_ << hidDeviceText(device);
            listed_.push_back(hidController_->claimDevice(index));
            return true;
        },
        &kEnumerateKey));
    hidController_->setDeviceDataErrorHandler(
        HidDataErrorEvent(this, &MeterSession::onReadError));
    hidController_->setDeviceChangeHandler(
        HidNotifyEvent([this](HidDeviceController*) { onDevicesChanged(); }, &kChangeKey), true);
    return true;
}

void MeterSession::onDevicesChanged() {
    if (listedOnce_ && !relistOnChange_) return;  // later changes matter only as removals
    listedOnce_ = true;
    try {
        listDevices();
    } catch (const std::exception& e) {
        // A device that cannot be made again: the list stays as it was left until the next
        // change.
        emit failed(QString::fromLocal8Bit(e.what()));
    }
    emit devicesListed();
}

void MeterSession::listDevices() {
    readCable(std::nullopt);
    releaseListedDevices();
    hidController_->enumerateDevices();
    std::vector<QString> lines(deviceLines_.cbegin(), deviceLines_.cend());
    chosenLine_ = cableLine(lines);
}

void MeterSession::releaseListedDevices() {
    current_ = nullptr;
    cableOn_ = false;
    chosenLine_ = -1;
    // A device that cannot be made again stops the release there; the rest stay listed.
    for (HidDevice*& device : listed_) HidDevice::release(std::exchange(device, nullptr));
    listed_.clear();
    deviceLines_.clear();
}

void MeterSession::chooseDeviceLine(int line) {
    chosenLine_ = line >= 0 && line < static_cast<int>(listed_.size()) ? line : -1;
}

QString MeterSession::chosenDevicePath() const {
    if (chosenLine_ < 0 || !listed_[static_cast<std::size_t>(chosenLine_)]) return {};
    return QString::fromStdString(
        listed_[static_cast<std::size_t>(chosenLine_)]->identity().devicePath);
}

QString MeterSession::cableAccessProblem() const {
    if (chosenLine_ < 0) return {};
    const HidDevice* device = listed_[static_cast<std::size_t>(chosenLine_)];
    if (!device || device->hasReadWriteAccess()) return {};
    const HidError& e = device->openError();
    return QString::fromLocal8Bit(e.text.empty() ? "no access" : e.text.c_str());
}

void MeterSession::onDeviceRemoved(HidDevice* device) {
    emit historyLine(QStringLiteral("Removal of ") + hidDeviceText(device));
    if (device == current_ && cableOn_) {
        cableOn_ = false;
        emit cableUnplugged(QString::fromStdString(device->identity().devicePath));
    }
}

void MeterSession::onReadError(HidDevice* device, std::uint32_t error) {
    emit historyLine(
        QStringLiteral("READ ERROR: %1 (%2)")
            .arg(QString::fromLocal8Bit(hidErrorText(error).c_str()), hexText(error, 0)));
    if (device && device == current_ && cableOn_) {
        emit cableReadFailed(QString::fromStdString(device->identity().devicePath), error);
    }
}

// ---- USB cable: the commands ----

bool MeterSession::sendCableSetup() {
    current_ = nullptr;
    if (chosenLine_ < 0) return false;
    current_ = listed_[static_cast<std::size_t>(chosenLine_)];
    // Whether the cable took the report cannot be seen; the history shows it was sent.
    if (current_) current_->sendFeatureReport(kCableSetupReport, 10);
    // The line shows the ten bytes after the report ID, of an eleven-byte buffer that was all
    // zeros but for the report's bytes.
    QString line;
    for (int i = 1; i <= 10; ++i) {
        line += hexText(i < 10 ? kCableSetupReport[i] : 0, 2) + QLatin1Char(' ');
    }
    emit historyLine(line);
    return true;
}

CableCommand MeterSession::readCable(std::optional<Family> family) {
    if (family) {  // one link at a time
        closeSerialPort();
        unsubscribe();
    }
    current_ = chosenLine_ < 0 ? nullptr : listed_[static_cast<std::size_t>(chosenLine_)];
    if (!current_) return CableCommand::NoCable;
    if (!current_->hasReadWriteAccess()) {
        cableOn_ = false;
        return CableCommand::NoAccess;
    }
    cableOn_ = family.has_value();
    if (!family) {
        current_->setDataHandler({});
    } else if (*family == Family::Sorn) {
        current_->setDataHandler(HidDataEvent(this, &MeterSession::receiveSornReport));
    } else {
        current_->setDataHandler(HidDataEvent(this, &MeterSession::receiveKeltReport));
    }
    return CableCommand::Done;
}

CableCommand MeterSession::connectCable(bool on, Family family) {
    if (on) {
        closeSerialPort();
        unsubscribe();
    }
    readCable(std::nullopt);
    const bool chosen = sendCableSetup();
    core_.setIdleReportCount(0);
    if (!chosen) return CableCommand::NoCable;
    return readCable(on ? std::optional<Family>(family) : std::nullopt);
}

CableCommand MeterSession::connectCableAt(const QString& devicePath, Family family) {
    if (!devicePath.isEmpty()) {
        chosenLine_ = -1;
        for (std::size_t i = 0; i < listed_.size(); ++i) {
            if (listed_[i] &&
                QString::fromStdString(listed_[i]->identity().devicePath) == devicePath) {
                chosenLine_ = static_cast<int>(i);
            }
        }
    }
    if (chosenLine_ < 0) return CableCommand::NoCable;
    if (!cableAccessProblem().isEmpty()) return CableCommand::NoAccess;
    return connectCable(true, family);
}

void MeterSession::stopCable() {
    if (current_ && cableOn_) current_->setDataHandler({});
    cableOn_ = false;
}

void MeterSession::receiveKeltReport(HidDevice*, std::uint8_t reportId, const std::uint8_t* data,
                                     std::uint16_t size) {
    receiveReport(Family::Kelt, reportId, data, size);
}

void MeterSession::receiveSornReport(HidDevice*, std::uint8_t reportId, const std::uint8_t* data,
                                     std::uint16_t size) {
    receiveReport(Family::Sorn, reportId, data, size);
}

void MeterSession::receiveReport(Family family, std::uint8_t reportId, const std::uint8_t* data,
                                 std::uint16_t size) {
    deliver([&] { core_.receiveReport(family, reportId, data, size); });
    // A data report leaves its line in the core's history; say the new one.
    const BoundedLog& history = core_.history();
    const std::size_t total = history.size() + history.dropped();
    if (total != historySeen_) {
        historySeen_ = total;
        emit historyLine(QString::fromStdString(history.back()));
    }
    emit cableReportHandled();
}

// ---- A meter on another machine ----

void MeterSession::subscribeTo(const BrokerSettings& settings) {
    closeSerialPort();
    stopCable();
    remote_ = std::make_unique<RemoteMeter>(settings);
    remote_->onReading = [this](const ReceivedReading& r) { receiveRemoteReading(r); };
    remote_->start();
}

void MeterSession::unsubscribe() { remote_.reset(); }

void MeterSession::receiveRemoteReading(const ReceivedReading& r) {
    // The record takes the time the reading was made over there, in local time of day.
    readingClock_.remote = QDateTime::fromMSecsSinceEpoch(r.utcMs).time().msecsSinceStartOfDay();
    core_.state.readingTimeMs = *readingClock_.remote;
    remoteUtcMs_ = r.utcMs;
    deliver([&] {
        core_.setFrameText(r.frame);
        core_.decodeFrame(r.family);
    });
    readingClock_.remote.reset();
    remoteUtcMs_.reset();
}

}  // namespace dmm
