// dmmcli record: the options of a log of a meter on a serial port, the USB cable or a broker,
// checked before the meter is read; the log itself runs in record_session.cpp.

#include <QFile>
#include <QStringList>

#include <sys/stat.h>

#include <cmath>

#include "cli_options.h"
#include "cli_session.h"
#include "commands.h"
#include "record_session.h"

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

// The broker options: --publish URL or --subscribe URL, with --ca-file, --password-file and
// --queue.
QString readPublishing(const CommandLine& line, RecordRequest& r) {
    for (const char* name : {"publish", "subscribe", "ca-file", "password-file"}) {
        if (line.isSet(QLatin1String(name)) && line.value(QLatin1String(name)).isEmpty())
            return QStringLiteral("--%1 needs a value").arg(QLatin1String(name));
    }
    for (const char* name : {"publish", "subscribe"}) {
        if (!line.isSet(QLatin1String(name))) continue;
        const QString url = line.value(QLatin1String(name));
        std::string why;
        std::optional<BrokerUrl>& to = *name == 'p' ? r.publishTo : r.subscribeTo;
        to = parseBrokerUrl(url.toStdString(), &why);
        if (!to) {
            return QStringLiteral("--%1 %2: %3")
                .arg(QLatin1String(name), url, QString::fromStdString(why));
        }
    }
    if (r.publishTo && r.subscribeTo) {
        return QStringLiteral("give --publish or --subscribe, not both: a meter read from a "
                              "broker is published already");
    }
    r.caFile = line.value(QStringLiteral("ca-file"));
    r.passwordFile = line.value(QStringLiteral("password-file"));
    if (line.isSet(QStringLiteral("queue"))) {
        bool ok = false;
        const qulonglong n = line.value(QStringLiteral("queue")).toULongLong(&ok);
        if (!ok || n < 1 || n > 100000000)
            return QStringLiteral("--queue needs a number of readings from 1 to 100000000");
        r.queueLimit = static_cast<std::size_t>(n);
    }
    if (!r.publishTo && !r.subscribeTo && (!r.caFile.isEmpty() || !r.passwordFile.isEmpty()))
        return QStringLiteral("--ca-file and --password-file go with --publish or --subscribe");
    return {};
}

// Reads the arguments after "record" into `options` and `request`. Returns the message for
// arguments refused, or an empty string.
QString readRecordRequest(const QStringList& args, CommonOptions& options, RecordRequest& r) {
    CommandLine line(QStringLiteral("unknown argument '%1'"));
    line.addCommonOptions();
    for (const char* name : {"port", "duration", "device", "out", "format", "publish",
                             "subscribe", "ca-file", "password-file", "queue"}) {
        line.addValueOption(QLatin1String(name));
    }
    for (const char* name : {"reconnect", "usb", "demo"}) line.addFlag(QLatin1String(name));
    QString error = line.parse(args, [](const QString& name) -> QString {
        if (name == QLatin1String("port"))
            return QStringLiteral("--port needs PATH, COMn or COMn=PATH");
        if (name == QLatin1String("duration")) return QLatin1String(kDurationNeeds);
        if (name == QLatin1String("device")) return QStringLiteral("--device needs PATH");
        if (name == QLatin1String("out")) return QStringLiteral("--out needs FILE");
        if (name == QLatin1String("format")) return QStringLiteral("--format needs tsv or jsonl");
        if (name == QLatin1String("queue"))
            return QStringLiteral("--queue needs a number of readings from 1 to 100000000");
        return QStringLiteral("--%1 needs a value").arg(name);
    });
    if (!error.isEmpty()) return error;
    if (const QStringList rest = line.positionalArguments(); !rest.isEmpty())
        return QStringLiteral("unknown argument '%1'").arg(rest.front());
    if (error = line.readCommonOptions(options); !error.isEmpty()) return error;
    if (options.usbRoad) return QStringLiteral("--road does not apply; use --port or --usb");
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
    if (line.isSet(QStringLiteral("format"))) {
        const QString v = line.value(QStringLiteral("format"));
        if (v != QLatin1String("tsv") && v != QLatin1String("jsonl"))
            return QStringLiteral("--format needs tsv or jsonl");
        r.jsonLines = v == QLatin1String("jsonl");
    }
    if (error = readPublishing(line, r); !error.isEmpty()) return error;
    if (line.isSet(QStringLiteral("out"))) {
        r.outPath = line.value(QStringLiteral("out"));
        if (r.outPath.isEmpty()) return QStringLiteral("--out needs FILE");
    }
    if (r.subscribeTo) {
        if (r.port != 0 || r.usb) return QStringLiteral("give --port, --usb or --subscribe");
        if (r.reconnect) return QStringLiteral("--reconnect goes with --port");
    } else if (r.usb) {
        if (r.port != 0) return QStringLiteral("give --port or --usb, not both");
        if (r.reconnect) return QStringLiteral("--reconnect goes with --port");
        if (options.family == Family::Brio)
            return QStringLiteral("the Brio family has no USB cable");
    } else if (r.port == 0) {
        return QStringLiteral("give --port PATH or --port COMn");
    }
    // Checked before the meter is read: a log that cannot be kept does not start.
    return notARecordingFile(r.outPath);
}

}  // namespace

int runRecord(const QStringList& args) {
    CommonOptions options;
    RecordRequest request;
    if (const QString error = readRecordRequest(args, options, request); !error.isEmpty()) {
        say("record", error);
        return 2;
    }
    return recordMeter(options, request);
}

}  // namespace dmm
