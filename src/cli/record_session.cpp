// dmmcli record: a meter session on the serial port, the USB cable or a broker, through the same
// driver, controller, reader thread, frame assembly, decoders and pipeline as the window, one
// line per decoded frame, flushed at once.

#include "record_session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <memory>
#include <string>

#include "cli_recording.h"
#include "fake_hid_backend.h"
#include "meter_session.h"
#include "reading_publisher.h"
#include "remote_meter.h"
#include "serial_port_driver.h"
#include "simulated_cable.h"
#include "stop_signals.h"

namespace dmm {

namespace {

constexpr const char* kUdevHint =
    "install the udev rule for the cable (see \"USB cable\" in the README: "
    "/usr/lib/udev/rules.d/70-dmmview-usb-cable.rules), then plug the cable in again";

void say(const QString& text) { dmm::say("record", text); }

// Ends the log's event loop with `status`, keeping the worst status asked for.
class LogEnd {
public:
    void operator()(int status) {
        status_ = std::max(status_, status);
        QCoreApplication::exit(status);
    }
    int status() const { return status_; }

private:
    int status_ = 0;
};

// Only now, with the meter there, is an older file of that name replaced; then the header.
bool startOutput(MeterLog& log, const QString& outPath) {
    if (!outPath.isEmpty()) {
        std::string why;
        if (!log.recording.startFile(QFile::encodeName(outPath).toStdString(), &why)) {
            say(QStringLiteral("cannot write '%1': %2").arg(outPath, QString::fromStdString(why)));
            return false;
        }
    }
    log.printer.printHeader();
    return true;
}

// The serial port: opened at once; a device that goes away ends the log (it would deliver
// nothing more), unless it is to be waited for.
bool openSerialPort(MeterSession& session, const CommonOptions& options,
                    const RecordRequest& request, MeterLog& log, LogEnd& end) {
    session.portNames() = request.portNames;
    session.choosePort(request.port);
    session.setReconnect(request.reconnect);
    session.setSerialFamily(options.family);
    if (!session.openSerialPort()) {
        say(QStringLiteral("could not open %1").arg(session.serialError()));
        return false;
    }
    if (!startOutput(log, request.outPath)) {
        session.closeSerialPort();
        return false;
    }
    const SerialPortDriver& port = session.serialPort();
    say(QStringLiteral("reading %1 (%2), %3 frames; Ctrl+C stops")
            .arg(port.portName(), port.portPath(),
                 QString::fromStdString(std::string(familyName(options.family)))));
    QObject::connect(&session, &MeterSession::serialDeviceLost, &session,
                     [&end, &request](const QString& reason) {
                         if (!request.reconnect) return end(1);
                         say(QStringLiteral("%1; waiting for it to come back").arg(reason));
                     });
    QObject::connect(&session, &MeterSession::serialDeviceBack, &session, [&port] {
        say(QStringLiteral("%1 (%2) is back").arg(port.portName(), port.devicePath()));
    });
    return true;
}

// The cable: chosen from the first list of devices (the event loop makes it), as the window
// does, set up, then read until it is unplugged or cannot be read.
bool watchCable(MeterSession& session, HidBackend* backend, const CommonOptions& options,
                const RecordRequest& request, MeterLog& log, LogEnd& end) {
    QString why;
    if (!session.watchHidDevices(backend, &why)) {
        say(QStringLiteral("this system gives no access to HID devices"));
        return false;
    }
    if (!why.isEmpty()) {
        say(QStringLiteral("%1: an unplugged cable is noticed only when reads fail").arg(why));
    }
    // Later changes of the devices matter only when they take the cable away.
    session.setRelistOnDeviceChange(false);
    session.setDropSilentCable(false);
    QObject::connect(&session, &MeterSession::devicesListed, &session, [&, family =
                                                                            options.family] {
        const CableCommand result = session.connectCableAt(request.devicePath, family);
        const QString path = session.chosenDevicePath();
        if (result == CableCommand::NoCable && request.devicePath.isEmpty()) {
            say(QStringLiteral("no USB cable is plugged in (a HID device whose product is "
                               "\"USB to Serial\"); %1 HID device(s) found")
                    .arg(session.deviceLines().size()));
            return end(1);
        }
        if (result == CableCommand::NoCable) {
            say(QStringLiteral("no HID device %1").arg(request.devicePath));
            return end(1);
        }
        if (result == CableCommand::NoAccess) {
            say(QStringLiteral("cannot open the USB cable %1: %2; %3")
                    .arg(path, session.cableAccessProblem(), QString::fromLatin1(kUdevHint)));
            return end(1);
        }
        if (!startOutput(log, request.outPath)) {
            session.readCable(std::nullopt);
            return end(1);
        }
        say(QStringLiteral("reading the USB cable %1, %2 frames; Ctrl+C stops")
                .arg(path, QString::fromStdString(std::string(familyName(family)))));
    });
    QObject::connect(&session, &MeterSession::cableUnplugged, &session,
                     [&end](const QString& path) {
                         say(QStringLiteral("the USB cable (%1) was unplugged").arg(path));
                         end(1);
                     });
    // A read that cannot even be started means the cable is gone (noticed this way also where
    // no udev daemon announces the unplug).
    QObject::connect(&session, &MeterSession::cableReadFailed, &session,
                     [&end](const QString& path, std::uint32_t error) {
                         say(QStringLiteral("the USB cable (%1) cannot be read: %2")
                                 .arg(path, QString::fromLocal8Bit(hidErrorText(error).c_str())));
                         end(1);
                     });
    return true;
}

// A broker's first word, waited for before the meter is read: a broker that refuses us, a
// certificate that does not verify or a host name that does not resolve ends the log before it
// starts (false, said). A broker that cannot be reached yet is waited for.
bool brokerAnswers(BrokerConnection& broker, const std::function<void()>& start,
                   const QString& connectedText, const QString& waitText) {
    {
        QEventLoop firstWord;
        QObject::connect(&broker, &BrokerConnection::connected, &firstWord, &QEventLoop::quit);
        QObject::connect(&broker, &BrokerConnection::lost, &firstWord, &QEventLoop::quit);
        QObject::connect(&broker, &BrokerConnection::failed, &firstWord, &QEventLoop::quit);
        QTimer::singleShot(10000, &firstWord, &QEventLoop::quit);
        start();
        if (!stopSignalReceived()) firstWord.exec();
    }
    const QString url = QString::fromStdString(broker.settings().url.text());
    switch (broker.state()) {
    case BrokerConnection::State::Failed: say(broker.problem()); return false;
    case BrokerConnection::State::Connected: say(connectedText); break;
    case BrokerConnection::State::Lost: say(broker.problem() + QStringLiteral("; ") + waitText);
        break;
    default: say(QStringLiteral("%1 has not answered yet; %2").arg(url, waitText)); break;
    }
    return true;
}

// Said once when the broker goes away and once when it is back (`backText`); what trying again
// cannot mend ends the log.
void followBroker(BrokerConnection& broker, LogEnd& end, const QString& waitText,
                  const std::function<QString()>& backText) {
    auto away = std::make_shared<bool>(broker.state() != BrokerConnection::State::Connected);
    QObject::connect(&broker, &BrokerConnection::lost, &broker,
                     [away, waitText](const QString& problem) {
                         if (*away) return;
                         *away = true;
                         say(problem + QStringLiteral("; ") + waitText);
                     });
    QObject::connect(&broker, &BrokerConnection::connected, &broker, [away, backText] {
        if (!*away) return;
        *away = false;
        say(backText());
    });
    QObject::connect(&broker, &BrokerConnection::failed, &broker, [&end](const QString& problem) {
        say(problem);
        end(1);
    });
}

bool brokerSettings(const BrokerUrl& url, const RecordRequest& request, BrokerSettings& settings) {
    settings.url = url;
    settings.caFile = QFile::encodeName(request.caFile).toStdString();
    QString why;
    if (readBrokerPassword(request.passwordFile, &settings.password, &why)) return true;
    say(why);
    return false;
}

// --publish: the readings to a broker too, kept in a queue while it is away.
bool startPublishing(MeterSession& session, const RecordRequest& request, LogEnd& end) {
    BrokerSettings settings;
    if (!brokerSettings(*request.publishTo, request, settings)) return false;
    auto publisher = std::make_unique<ReadingPublisher>(settings, request.queueLimit);
    ReadingPublisher* p = publisher.get();
    const QString url = QString::fromStdString(settings.url.text());
    const QString waits = QStringLiteral("the readings wait for the broker");
    if (!brokerAnswers(p->connection(), [p] { p->start(); },
                       QStringLiteral("publishing to %1").arg(url), waits)) {
        return false;
    }
    followBroker(p->connection(), end, waits, [p, url] {
        return p->dropped() > 0
                   ? QStringLiteral("%1 is back; %2 readings were dropped while it was away")
                         .arg(url)
                         .arg(p->dropped())
                   : QStringLiteral("%1 is back; the readings that waited are sent").arg(url);
    });
    QObject::connect(p, &ReadingPublisher::readingDropped, p, [p, url](std::uint64_t total) {
        if (total == 1) {
            say(QStringLiteral("the queue for %1 is full (%2 readings): the oldest are dropped")
                    .arg(url)
                    .arg(p->queueLimit()));
        }
    });
    session.publishTo(std::move(publisher));
    return true;
}

// --subscribe: a meter another machine publishes, read through the broker as the link.
bool startSubscription(MeterSession& session, const RecordRequest& request, MeterLog& log,
                       LogEnd& end) {
    BrokerSettings settings;
    if (!brokerSettings(*request.subscribeTo, request, settings)) return false;
    session.subscribeTo(settings);
    RemoteMeter* remote = session.remoteMeter();
    const QString url = QString::fromStdString(settings.url.text());
    const QString waits = QStringLiteral("waiting for it");
    if (!brokerAnswers(remote->connection(), [] {},
                       QStringLiteral("reading the meter published at %1; Ctrl+C stops").arg(url),
                       waits) ||
        !startOutput(log, request.outPath)) {
        return false;
    }
    followBroker(remote->connection(), end, waits,
                 [url] { return QStringLiteral("%1 is back").arg(url); });
    QObject::connect(remote, &RemoteMeter::publisherStatusChanged, remote,
                     [](const QString& status) {
                         say(QStringLiteral("the meter's publisher is %1").arg(status));
                     });
    return true;
}

}  // namespace

int recordMeter(const CommonOptions& options, const RecordRequest& request) {
    quitOnStopSignals();

    // --demo: a simulated meter behind a simulated cable, read through the same controller,
    // reader thread and hand-over as a real cable. It outlives the session that reads it.
    std::unique_ptr<FakeHidBackend> simulatedDevices;
    std::unique_ptr<SimulatedCable> simulatedCable;
    if (request.simulated) {
        simulatedDevices = std::make_unique<FakeHidBackend>();
        simulatedCable = std::make_unique<SimulatedCable>(*simulatedDevices, options.family, 2.0);
        simulatedDevices->plug(SimulatedCable::cableDevice(), false);
        simulatedCable->start();
    }
    LogEnd end;
    MeterSession session;
    MeterLog log(session, options);
    QObject::connect(&session, &MeterSession::failed, &session, [&end](const QString& text) {
        say(text);
        end(1);
    });
    if (request.jsonLines) log.printer.printJsonLines(&session.readingMessage());
    if (request.publishTo && !startPublishing(session, request, end)) return 1;
    HidBackend* devices = simulatedDevices.get();
    const bool started = request.subscribeTo ? startSubscription(session, request, log, end)
                         : request.usb ? watchCable(session, devices, options, request, log, end)
                                       : openSerialPort(session, options, request, log, end);
    if (!started) return 1;

    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, &session, [&session] { session.tick(); });
    watchdog.start(100);
    LogLoop loop(request.durationSeconds);
    int status = std::max(loop.run(), end.status());
    // What arrived before the stop, or before the device went away, is still decoded.
    QCoreApplication::processEvents();
    session.drainSerialPort();
    if (session.serialPort().isOpen() && session.serialPort().deviceLost() && !request.reconnect) {
        say(session.serialError());
        status = 1;
    }
    if (const std::string why = outputFailure(stdout); loop.outputFailed() || !why.empty()) {
        say(why.empty() ? QStringLiteral("cannot write the output") : QString::fromStdString(why));
        status = 1;
    }
    session.closeSerialPort();
    if (std::string why; !log.recording.finish(&why)) {
        say(QStringLiteral("cannot write '%1': %2")
                .arg(request.outPath, QString::fromStdString(why)));
        status = 1;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", summaryLine(session.core().counters()).c_str());
    return status;
}

}  // namespace dmm
