#include "app_options.h"

#include "port_name_table.h"
#include "printable_text.h"

namespace dmm {

QString appUsage() {
    return QStringLiteral(
        "Usage: dmmview [options] [DATAFILE]\n"
        "  DATAFILE              a data file (.xls, .xml, .txt) to open, as \"Open\" does\n"
        "  --port COMn=PATH      map the port COMn (1-4) to a device path (repeatable)\n"
        "  --family kelt|sorn|brio  meter family whose frames are decoded (default kelt)\n"
        "  --count-class 4|6|34|2   display class of the meter (default 4)\n"
        "  --demo                a simulated meter on a pseudo-terminal, connected as COM1\n"
        "  --usb                 with --demo: the simulated meter behind a simulated USB cable,\n"
        "                        connected with \"USB Connect\"\n"
        "  --subscribe URL       read a meter another machine publishes to an MQTT broker:\n"
        "                        mqtt[s]://[USER@]HOST[:PORT]/PREFIX\n"
        "  --publish URL         publish every reading to an MQTT broker:\n"
        "                        mqtt[s]://[USER@]HOST[:PORT]/PREFIX\n"
        "  --ca-file FILE        the CA of an mqtts broker (default: the system's CAs)\n"
        "  --password-file FILE  the broker password (or DMM_MQTT_PASSWORD); private to you\n"
        "  --queue N             readings kept while the broker is away (default 100000)\n"
        "  --screenshot FILE     save a picture of the window (with --quit-after)\n"
        "  --quit-after MS       close the window after MS milliseconds\n"
        "  --help                show this text\n"
        "  --version             show the version\n");
}

QString appVersionLine() {
    return QStringLiteral("dmmview " DMM_VERSION "\n");
}

ParsedOptions parseAppOptions(const QStringList& args) {
    ParsedOptions r;
    auto value = [&](qsizetype& i, const QString& name) -> std::optional<QString> {
        const QString& a = args[i];
        if (a.startsWith(name + QLatin1Char('='))) return a.mid(name.size() + 1);
        if (i + 1 < args.size()) return args[++i];
        r.error = QStringLiteral("%1 needs a value").arg(name);
        return std::nullopt;
    };
    for (qsizetype i = 0; i < args.size() && r.error.isEmpty(); ++i) {
        const QString& a = args[i];
        const QString name = a.section(QLatin1Char('='), 0, 0);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            r.help = true;
        } else if (a == QLatin1String("--version")) {
            r.version = true;
        } else if (a == QLatin1String("--demo")) {
            r.options.demo = true;
        } else if (a == QLatin1String("--usb")) {
            r.options.usb = true;
        } else if (name == QLatin1String("--port")) {
            auto v = value(i, name);
            if (!v) break;
            const auto mapping = PortNameTable::parseMapping(*v);
            if (!mapping) {
                r.error =
                    QStringLiteral("--port wants COMn=PATH with n from 1 to 4, not '%1'").arg(*v);
                break;
            }
            r.options.ports[mapping->port] = mapping->path;
        } else if (name == QLatin1String("--family")) {
            auto v = value(i, name);
            if (!v) break;
            r.options.family = parseFamily(v->toStdString());
            if (!r.options.family) r.error = QStringLiteral("unknown family '%1'").arg(*v);
        } else if (name == QLatin1String("--count-class")) {
            auto v = value(i, name);
            if (!v) break;
            r.options.countClass = findCountClass(v->toStdString());
            if (!r.options.countClass) {
                r.options.countClass = &standardCountClass();
                r.error = QStringLiteral("unknown count class '%1'").arg(*v);
            }
        } else if (name == QLatin1String("--publish") || name == QLatin1String("--subscribe")) {
            auto v = value(i, name);
            if (!v) break;
            std::string why;
            auto& to = name == QLatin1String("--publish") ? r.options.publishTo
                                                         : r.options.subscribeTo;
            to = parseBrokerUrl(v->toStdString(), &why);
            if (!to) r.error = QStringLiteral("%1: %2").arg(name, QString::fromStdString(why));
        } else if (name == QLatin1String("--ca-file") || name == QLatin1String("--password-file")) {
            auto v = value(i, name);
            if (!v) break;
            (name == QLatin1String("--ca-file") ? r.options.caFile : r.options.passwordFile) = *v;
        } else if (name == QLatin1String("--queue")) {
            auto v = value(i, name);
            if (!v) break;
            bool ok = false;
            const qulonglong n = v->toULongLong(&ok);
            if (!ok || n < 1 || n > 100000000) {
                r.error = QStringLiteral("--queue wants a number of readings from 1 to 100000000");
            } else {
                r.options.queueLimit = static_cast<std::size_t>(n);
            }
        } else if (name == QLatin1String("--screenshot")) {
            auto v = value(i, name);
            if (!v) break;
            r.options.screenshot = *v;
        } else if (name == QLatin1String("--quit-after")) {
            auto v = value(i, name);
            if (!v) break;
            bool ok = false;
            const int ms = v->toInt(&ok);
            if (!ok || ms < 0) {
                r.error = QStringLiteral("--quit-after wants milliseconds, not '%1'").arg(*v);
            } else {
                r.options.quitAfterMs = ms;
            }
        } else if (!a.startsWith(QLatin1Char('-'))) {
            if (!r.options.dataFile.isEmpty()) {
                r.error = QStringLiteral("one data file at a time, not '%1' and '%2'")
                              .arg(r.options.dataFile, a);
            }
            r.options.dataFile = a;
        } else {
            r.error = QStringLiteral("unknown argument '%1'").arg(a);
        }
    }
    if (r.error.isEmpty() && !r.options.publishTo && !r.options.subscribeTo &&
        (!r.options.caFile.isEmpty() || !r.options.passwordFile.isEmpty())) {
        r.error = QStringLiteral("--ca-file and --password-file go with --publish or --subscribe");
    }
    if (r.error.isEmpty() && r.options.subscribeTo && (r.options.publishTo || r.options.demo)) {
        r.error = QStringLiteral("--subscribe reads a meter published elsewhere: not with "
                                 "--publish or --demo");
    }
    if (r.error.isEmpty() && r.options.usb && !r.options.demo) {
        r.error =
            QStringLiteral("--usb goes with --demo (a real cable is found by \"USB Connect\")");
    }
    if (r.error.isEmpty() && r.options.usb && r.options.family == Family::Brio)
        r.error = QStringLiteral("the Brio family has no USB cable");
    // The picture is taken when the window closes: without --quit-after it never would be.
    if (r.error.isEmpty() && !r.options.screenshot.isEmpty() && r.options.quitAfterMs < 0)
        r.error = QStringLiteral("--screenshot goes with --quit-after");
    r.error = printableText(r.error);
    return r;
}

QStringList withoutQtOptions(const QStringList& args) {
    // QGuiApplication's, QApplication's and the X11 platform's options.
    static const QStringList withValue = {
        QStringLiteral("platform"),     QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
        QStringLiteral("qwindowicon"),  QStringLiteral("icon"),
        QStringLiteral("qwindowtitle"), QStringLiteral("title"),
        QStringLiteral("session"),      QStringLiteral("style"),
        QStringLiteral("stylesheet"),   QStringLiteral("qmljsdebugger"),
        QStringLiteral("display"),      QStringLiteral("name"),
        QStringLiteral("visual")};
    static const QStringList flags = {QStringLiteral("reverse"), QStringLiteral("testability"),
                                      QStringLiteral("widgetcount"), QStringLiteral("dograb"),
                                      QStringLiteral("nograb")};
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const qsizetype dashes = a.startsWith(QLatin1String("--")) ? 2 : 1;
        const QString name = a.startsWith(QLatin1Char('-')) ? a.mid(dashes) : QString();
        const QString key = name.section(QLatin1Char('='), 0, 0);
        if (flags.contains(name)) continue;
        if (withValue.contains(key)) {
            if (key == name) ++i;  // the value is the next argument
            continue;
        }
        rest << a;
    }
    return rest;
}

}  // namespace dmm
