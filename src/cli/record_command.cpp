// dmmcli record: logs a meter on a serial port through the same driver, assembler, decoders and
// pipeline as the window, one line per decoded frame, flushed at once.

#include <QCoreApplication>
#include <QFile>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <cstdio>
#include <string>

#include "cli_options.h"
#include "cli_recording.h"
#include "cli_session.h"
#include "commands.h"
#include "meter_core.h"
#include "port_name_table.h"
#include "record_request.h"
#include "serial_port_driver.h"
#include "stop_signals.h"
#include "usb_record.h"

namespace dmm {

namespace {

constexpr const char* kDurationNeeds = "--duration needs a number of seconds above 0";

// Why --out cannot name this path, or empty: the recording goes to a regular file, or to a new
// one. A FIFO would block the log before it starts (and its final rewrite after), a device
// takes no flush or rename, and a folder no lines.
QString notARecordingFile(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode)) return {};
    const char* kind = S_ISDIR(st.st_mode)    ? "a folder"
                       : S_ISFIFO(st.st_mode) ? "a FIFO"
                       : S_ISCHR(st.st_mode)  ? "a character device"
                       : S_ISBLK(st.st_mode)  ? "a block device"
                       : S_ISSOCK(st.st_mode) ? "a socket"
                                              : "no regular file";
    return QStringLiteral("--out '%1' is %2; give a regular file or a new name")
        .arg(path, QLatin1String(kind));
}

// --port COMn=PATH maps a name (several may be given); --port PATH or --port COMn chooses the
// port, the last one given counting. A mapping alone chooses the port it maps.
QString readPorts(const QStringList& values, RecordRequest& r) {
    int lastMapped = 0;
    for (const QString& v : values) {
        QString why;
        if (PortNameTable::looksLikeMapping(v)) {
            if (!r.portNames.addMapping(v, &why)) return why;
            lastMapped = PortNameTable::parseMapping(v)->port;
        } else if (const QString wrong = PortNameTable::notAPortName(v); !wrong.isEmpty()) {
            return wrong;
        } else if (const auto n = PortNameTable::parsePortName(v)) {
            r.port = *n;
        } else if (!v.isEmpty()) {
            r.portNames.map(1, v);
            r.port = 1;
        } else {
            return QStringLiteral("--port needs PATH, COMn or COMn=PATH");
        }
    }
    if (r.port == 0) r.port = lastMapped;
    return {};
}

// Logs the meter on the serial port of the request; returns the exit status.
int recordFromSerialPort(const RecordRequest& request);

}  // namespace

QString readRecordRequest(const QStringList& args, RecordRequest& r) {
    CommandLine line(QStringLiteral("unknown argument '%1'"));
    line.addCommonOptions();
    for (const char* name : {"port", "duration", "device", "out"})
        line.addValueOption(QLatin1String(name));
    for (const char* name : {"reconnect", "usb", "demo"}) line.addFlag(QLatin1String(name));
    QString error = line.parse(args, [](const QString& name) -> QString {
        if (name == QLatin1String("port")) return QStringLiteral("--port needs PATH, COMn or COMn=PATH");
        if (name == QLatin1String("duration")) return QLatin1String(kDurationNeeds);
        if (name == QLatin1String("device")) return QStringLiteral("--device needs PATH");
        if (name == QLatin1String("out")) return QStringLiteral("--out needs FILE");
        return {};
    });
    if (!error.isEmpty()) return error;
    if (const QStringList rest = line.positionalArguments(); !rest.isEmpty())
        return QStringLiteral("unknown argument '%1'").arg(rest.front());
    if (error = line.readCommonOptions(r.options); !error.isEmpty()) return error;
    if (r.options.usbRoad) return QStringLiteral("--road does not apply; use --port or --usb");
    if (error = readPorts(line.values(QStringLiteral("port")), r); !error.isEmpty()) return error;
    if (line.isSet(QStringLiteral("duration"))) {
        bool ok = false;
        r.durationSeconds = line.value(QStringLiteral("duration")).toDouble(&ok);
        if (!ok || !std::isfinite(r.durationSeconds) || !(r.durationSeconds > 0))
            return QLatin1String(kDurationNeeds);
    }
    r.reconnect = line.isSet(QStringLiteral("reconnect"));
    r.usb = line.isSet(QStringLiteral("usb"));
    r.simulated = line.isSet(QStringLiteral("demo"));
    for (const char* name : {"device", "demo"}) {
        if (!r.usb && line.isSet(QLatin1String(name)))
            return QStringLiteral("--%1 goes with --usb").arg(QLatin1String(name));
    }
    if (line.isSet(QStringLiteral("device"))) {
        r.devicePath = line.value(QStringLiteral("device"));
        if (r.devicePath.isEmpty()) return QStringLiteral("--device needs PATH");
    }
    if (line.isSet(QStringLiteral("out"))) {
        r.outPath = line.value(QStringLiteral("out"));
        if (r.outPath.isEmpty()) return QStringLiteral("--out needs FILE");
    }
    if (r.usb) {
        if (r.port != 0) return QStringLiteral("give --port or --usb, not both");
        if (r.reconnect) return QStringLiteral("--reconnect goes with --port");
        if (r.options.family == Family::Brio)
            return QStringLiteral("the Brio family has no USB cable");
    } else if (r.port == 0) {
        return QStringLiteral("give --port PATH or --port COMn");
    }
    // Checked before the meter is read: a log that cannot be kept does not start.
    return notARecordingFile(r.outPath);
}

int runRecord(const QStringList& args) {
    RecordRequest request;
    if (const QString error = readRecordRequest(args, request); !error.isEmpty()) {
        say("record", error);
        return 2;
    }
    return request.usb ? recordFromCable(request) : recordFromSerialPort(request);
}

namespace {

int recordFromSerialPort(const RecordRequest& request) {
    const CommonOptions& options = request.options;
    const QString& outPath = request.outPath;
    quitOnStopSignals();

    MeterLog meterLog(options);
    MeterCore& core = meterLog.core;
    FramePrinter& printer = meterLog.printer;
    CliRecording& recording = meterLog.recording;

    // The window's serial instance: 2400 baud, 8 data bits, no parity, 1 stop bit, no flow
    // control, DTR on, RTS off, polled every 50 ms.
    SerialPortDriver driver;
    driver.setPortNames(&request.portNames);
    driver.setPort(static_cast<SerialPortDriver::PortNumber>(request.port - 1));
    driver.setBaudRate(SerialPortDriver::BaudRate::Baud2400);
    driver.setReconnect(request.reconnect);
    const Family family = options.family;
    driver.setReceiveHandler(
        [&core, family](SerialPortDriver*, const void* data, std::int32_t size) {
            core.receiveBytes(family, data, size);
        });
    if (!driver.open()) {
        say("record", QStringLiteral("could not open %1").arg(driver.lastError()));
        return 1;
    }
    // Only now, with the meter there, is an older file of that name replaced.
    if (!outPath.isEmpty()) {
        std::string why;
        if (!recording.startFile(QFile::encodeName(outPath).toStdString(), &why)) {
            say("record", "cannot write '" + outPath.toStdString() + "': " + why);
            driver.close();
            return 1;
        }
    }
    say("record", QStringLiteral("reading %1 (%2), %3 frames; Ctrl+C stops")
                      .arg(driver.portName(), driver.portPath(),
                           QString::fromStdString(std::string(familyName(family)))));
    printer.printHeader();

    // A device that goes away ends the log (it would deliver nothing more), unless it is to be
    // waited for.
    bool waiting = false;
    LogLoop loop(request.durationSeconds, [&driver, &waiting] {
        if (driver.deviceLost() && !driver.reconnects()) {
            QCoreApplication::exit(1);
        } else if (driver.deviceLost() != waiting) {
            waiting = !waiting;
            if (waiting) {
                say("record", driver.lastError() + QStringLiteral("; waiting for it to come back"));
            } else {
                say("record", QStringLiteral("%1 (%2) is back")
                                  .arg(driver.portName(), driver.devicePath()));
            }
        }
    });
    int status = loop.run();
    // What arrived before the stop, or before the device went away, is still decoded.
    QCoreApplication::processEvents();
    driver.poll();
    for (int i = 0; i < 1024 && driver.hasUndeliveredBytes(); ++i) driver.poll();
    if (driver.deviceLost() && !request.reconnect) {
        say("record", driver.lastError());
        status = 1;
    }
    if (const std::string why = outputFailure(stdout); loop.outputFailed() || !why.empty()) {
        say("record", why.empty() ? std::string("cannot write the output") : why);
        status = 1;
    }
    driver.close();
    if (std::string why; !recording.finish(&why)) {
        say("record", "cannot write '" + outPath.toStdString() + "': " + why);
        status = 1;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", summaryLine(core.counters()).c_str());
    return status;
}

}  // namespace

}  // namespace dmm
