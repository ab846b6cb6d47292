// dmmcli record: the options of a log of a meter on a serial port or the USB cable; the log
// itself runs in record_session.cpp.

#include <QStringList>

#include <cstdio>

#include "cli_session.h"
#include "commands.h"
#include "record_session.h"

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
    RecordRequest request;
    PortNameTable& names = request.portNames;
    int port = 0;
    int lastMapped = 0;
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
            request.durationSeconds = hasValue ? args.at(++i).toDouble(&ok) : 0;
            if (!ok || !(request.durationSeconds > 0) || request.durationSeconds > 1e7) {
                return usageError(QStringLiteral("--duration needs a number of seconds above 0"));
            }
        } else if (a == QLatin1String("--reconnect")) {
            request.reconnect = true;
        } else if (a == QLatin1String("--usb")) {
            request.usb = true;
        } else if (a == QLatin1String("--device") || a == QLatin1String("--demo")) {
            if (!request.usb) return usageError(QStringLiteral("%1 goes with --usb").arg(a));
            if (a == QLatin1String("--demo")) {
                request.simulated = true;
            } else if (!hasValue || args.at(i + 1).isEmpty()) {
                return usageError(QStringLiteral("--device needs PATH"));
            } else {
                request.devicePath = args.at(++i);
            }
        } else if (a == QLatin1String("--out")) {
            if (!hasValue || args.at(i + 1).isEmpty()) {
                return usageError(QStringLiteral("--out needs FILE"));
            }
            request.outPath = args.at(++i);
        } else {
            return usageError(QStringLiteral("unknown argument '%1'").arg(a));
        }
    }
    if (request.usb) {
        if (port != 0 || lastMapped != 0)
            return usageError(QStringLiteral("give --port or --usb, not both"));
        if (request.reconnect) return usageError(QStringLiteral("--reconnect goes with --port"));
        if (options.family == Family::Brio)
            return usageError(QStringLiteral("the Brio family has no USB cable"));
        return recordMeter(options, request);
    }
    if (port == 0) port = lastMapped;
    if (port == 0) return usageError(QStringLiteral("give --port PATH or --port COMn"));
    request.port = port;
    return recordMeter(options, request);
}

}  // namespace dmm
