// dmmcli record: logs a meter on a serial port through the same driver, assembler, decoders and
// pipeline as the window, one line per decoded frame, flushed at once.

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <optional>
#include <cstdio>
#include <string>

#include "cli_recording.h"
#include "cli_session.h"
#include "commands.h"
#include "meter_core.h"
#include "port_name_table.h"
#include "serial_port_driver.h"
#include "stop_signals.h"
#include "usb_record.h"

namespace dmm {

namespace {

// Says why the arguments are refused; the usage follows (main).
int usageError(const QString& message) {
    std::fprintf(stderr, "dmmcli record: %s\n", qPrintable(message));
    return 2;
}

}  // namespace

int runRecord(const QStringList& arguments) {
    QStringList args = arguments;
    CommonOptions options;
    const QString error = takeCommonOptions(args, options);
    if (!error.isEmpty()) return usageError(error);
    if (options.usbRoad)
        return usageError(QStringLiteral("--road does not apply; use --port or --usb"));

    // --port COMn=PATH maps a name (several may be given); --port PATH or --port COMn chooses
    // the port. A mapping alone chooses the port it maps.
    PortNameTable names;
    int port = 0;
    int lastMapped = 0;
    double durationSeconds = 0;
    bool reconnect = false;
    QString outPath;
    std::optional<UsbRecordRequest> cable;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--port")) {
            if (!hasValue)
                return usageError(QStringLiteral("--port needs PATH, COMn or COMn=PATH"));
            const QString v = args.at(++i);
            QString why;
            if (PortNameTable::looksLikeMapping(v)) {
                if (!names.addMapping(v, &why)) return usageError(why);
                lastMapped = PortNameTable::parseMapping(v)->port;
            } else if (const QString wrong = PortNameTable::notAPortName(v); !wrong.isEmpty()) {
                return usageError(wrong);
            } else if (const auto n = PortNameTable::parsePortName(v)) {
                port = *n;
            } else if (!v.isEmpty()) {
                names.map(1, v);
                port = 1;
            } else {
                return usageError(QStringLiteral("--port needs PATH, COMn or COMn=PATH"));
            }
        } else if (a == QLatin1String("--duration")) {
            bool ok = false;
            durationSeconds = hasValue ? args.at(++i).toDouble(&ok) : 0;
            if (!ok || !(durationSeconds > 0) || durationSeconds > 1e7) {
                return usageError(QStringLiteral("--duration needs a number of seconds above 0"));
            }
        } else if (a == QLatin1String("--reconnect")) {
            reconnect = true;
        } else if (a == QLatin1String("--usb")) {
            cable.emplace();
        } else if (a == QLatin1String("--device") || a == QLatin1String("--demo")) {
            if (!cable) return usageError(QStringLiteral("%1 goes with --usb").arg(a));
            if (a == QLatin1String("--demo")) {
                cable->simulated = true;
            } else if (!hasValue || args.at(i + 1).isEmpty()) {
                return usageError(QStringLiteral("--device needs PATH"));
            } else {
                cable->devicePath = args.at(++i);
            }
        } else if (a == QLatin1String("--out")) {
            if (!hasValue || args.at(i + 1).isEmpty()) {
                return usageError(QStringLiteral("--out needs FILE"));
            }
            outPath = args.at(++i);
        } else {
            return usageError(QStringLiteral("unknown argument '%1'").arg(a));
        }
    }
    if (cable) {
        if (port != 0 || lastMapped != 0)
            return usageError(QStringLiteral("give --port or --usb, not both"));
        if (reconnect) return usageError(QStringLiteral("--reconnect goes with --port"));
        if (options.family == Family::Brio)
            return usageError(QStringLiteral("the Brio family has no USB cable"));
        cable->durationSeconds = durationSeconds;
        cable->outPath = outPath;
        return recordFromCable(options, *cable);
    }
    if (port == 0) port = lastMapped;
    if (port == 0) return usageError(QStringLiteral("give --port PATH or --port COMn"));

    quitOnStopSignals();

    MeterLog meterLog(options);
    MeterCore& core = meterLog.core;
    FramePrinter& printer = meterLog.printer;
    CliRecording& recording = meterLog.recording;

    // The window's serial instance: 2400 baud, 8 data bits, no parity, 1 stop bit, no flow
    // control, DTR on, RTS off, polled every 50 ms.
    SerialPortDriver driver;
    driver.setPortNames(&names);
    driver.setPort(static_cast<SerialPortDriver::PortNumber>(port - 1));
    driver.setBaudRate(SerialPortDriver::BaudRate::Baud2400);
    driver.setReconnect(reconnect);
    const Family family = options.family;
    driver.setReceiveHandler(
        [&core, family](SerialPortDriver*, const void* data, std::int32_t size) {
            core.receiveBytes(family, data, size);
        });
    if (!driver.open()) {
        std::fprintf(stderr, "dmmcli record: could not open %s\n", qPrintable(driver.lastError()));
        return 1;
    }
    // Only now, with the meter there, is an older file of that name replaced.
    if (!outPath.isEmpty()) {
        std::string why;
        if (!recording.startFile(QFile::encodeName(outPath).toStdString(), &why)) {
            std::fprintf(stderr, "dmmcli record: cannot write '%s': %s\n", qPrintable(outPath),
                         why.c_str());
            driver.close();
            return 1;
        }
    }
    std::fprintf(stderr, "dmmcli record: reading %s (%s), %s frames; Ctrl+C stops\n",
                 qPrintable(driver.portName()), qPrintable(driver.portPath()),
                 std::string(familyName(family)).c_str());
    printer.printHeader();

    // A device that goes away ends the log (it would deliver nothing more), unless it is to be
    // waited for.
    bool waiting = false;
    LogLoop loop(durationSeconds, [&driver, &waiting] {
        if (driver.deviceLost() && !driver.reconnects()) {
            QCoreApplication::exit(1);
        } else if (driver.deviceLost() != waiting) {
            waiting = !waiting;
            if (waiting) {
                std::fprintf(stderr, "dmmcli record: %s; waiting for it to come back\n",
                             qPrintable(driver.lastError()));
            } else {
                std::fprintf(stderr, "dmmcli record: %s (%s) is back\n",
                             qPrintable(driver.portName()), qPrintable(driver.devicePath()));
            }
        }
    });
    int status = loop.run();
    // What arrived before the stop, or before the device went away, is still decoded.
    QCoreApplication::processEvents();
    driver.poll();
    for (int i = 0; i < 1024 && driver.hasUndeliveredBytes(); ++i) driver.poll();
    if (driver.deviceLost() && !reconnect) {
        std::fprintf(stderr, "dmmcli record: %s\n", qPrintable(driver.lastError()));
        status = 1;
    }
    if (const std::string why = outputFailure(stdout); loop.outputFailed() || !why.empty()) {
        std::fprintf(stderr, "dmmcli record: %s\n",
                     why.empty() ? "cannot write the output" : why.c_str());
        status = 1;
    }
    driver.close();
    if (std::string why; !recording.finish(&why)) {
        std::fprintf(stderr, "dmmcli record: cannot write '%s': %s\n", qPrintable(outPath),
                     why.c_str());
        status = 1;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", summaryLine(core.counters()).c_str());
    return status;
}

}  // namespace dmm
