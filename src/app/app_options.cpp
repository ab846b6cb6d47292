#include "app_options.h"

#include "port_name_table.h"
#include "printable_text.h"

namespace dmm {

QString appUsage() {
    return QStringLiteral(
        "Usage: dmmview [options]\n"
        "  --port COMn=PATH      map the port COMn (1-4) to a device path (repeatable)\n"
        "  --family kelt|sorn|brio  meter family whose frames are decoded (default kelt)\n"
        "  --count-class 4|6|34|2   display class of the meter (default 4)\n"
        "  --demo                a simulated meter on a pseudo-terminal, connected as COM1\n"
        "  --usb                 with --demo: the simulated meter behind a simulated USB cable,\n"
        "                        connected with \"USB Connect\"\n"
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
        } else {
            r.error = QStringLiteral("unknown argument '%1'").arg(a);
        }
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

}  // namespace dmm
