#include "cli_options.h"

#include <QRegularExpression>

#include <climits>
#include <cstdint>

namespace dmm {

namespace {

// "--name=value", "--name" or "-name" to "name".
QString optionName(const QString& argument) {
    QString name = argument.section(QLatin1Char('='), 0, 0);
    while (name.startsWith(QLatin1Char('-'))) name.remove(0, 1);
    return name;
}

bool isOption(const QString& argument) {
    return argument.size() > 1 && argument.startsWith(QLatin1Char('-'));
}

// A decimal separator that would break the columns it separates: TAB, a line break or any
// other control character.
bool breaksColumns(const QString& separator) {
    for (const QChar c : separator) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0)) return true;
    }
    return false;
}

}  // namespace

CommandLine::CommandLine(QString unknownText) : unknownText_(std::move(unknownText)) {
    // "-name" means "--name": there are no one-letter options to run together.
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

void CommandLine::addFlag(const QString& name) { parser_.addOption(QCommandLineOption(name)); }

void CommandLine::addValueOption(const QString& name) {
    parser_.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    valueOptions_ << name;
}

void CommandLine::addCommonOptions() {
    for (const char* name : {"family", "road", "decimal", "count-class", "upper", "lower", "limit",
                             "interval"}) {
        addValueOption(QLatin1String(name));
    }
    addFlag(QStringLiteral("no-repeat"));
}

bool CommandLine::takesValue(const QString& name) const { return valueOptions_.contains(name); }

QString CommandLine::parse(const QStringList& args,
                           const std::function<QString(const QString&)>& missingValue) {
    if (parser_.parse(QStringList{QStringLiteral("dmmcli")} + args)) return {};
    // An option that is not the command's, as it was given.
    if (const QStringList unknown = parser_.unknownOptionNames(); !unknown.isEmpty()) {
        for (const QString& a : args) {
            if (a == QLatin1String("--")) break;
            if (isOption(a) && optionName(a) == unknown.front()) return unknownText_.arg(a);
        }
        return unknownText_.arg(QStringLiteral("--") + unknown.front());
    }
    // An option that takes a value, given last without one.
    if (const QString last = args.isEmpty() ? QString() : args.back();
        isOption(last) && !last.contains(QLatin1Char('=')) && takesValue(optionName(last))) {
        const QString name = optionName(last);
        const QString message = missingValue ? missingValue(name) : QString();
        return message.isEmpty() ? QStringLiteral("option --%1 needs a value").arg(name) : message;
    }
    // A flag given a value ("--usb=yes").
    for (const QString& a : args) {
        if (a == QLatin1String("--")) break;
        if (isOption(a) && a.contains(QLatin1Char('=')) && !takesValue(optionName(a)))
            return unknownText_.arg(a);
    }
    return parser_.errorText();
}

std::optional<long long> CommandLine::integer(const QString& name, long long lowest,
                                              long long highest, QString& error) const {
    if (!isSet(name)) return std::nullopt;
    const QString text = value(name).trimmed();
    static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
    if (!digits.match(text).hasMatch()) {
        if (error.isEmpty()) {
            error = QStringLiteral("option --%1: '%2' is not an integer").arg(name, value(name));
        }
        return std::nullopt;
    }
    bool ok = false;
    const long long n = text.toLongLong(&ok);
    if (!ok || n < lowest || n > highest) {
        if (error.isEmpty()) {
            error = QStringLiteral("option --%1: '%2' is out of range (%3 to %4)")
                        .arg(name, value(name))
                        .arg(lowest)
                        .arg(highest);
        }
        return std::nullopt;
    }
    return n;
}

QString CommandLine::readCommonOptions(CommonOptions& o) const {
    if (isSet(QStringLiteral("family"))) {
        const QString v = value(QStringLiteral("family"));
        const auto f = parseFamily(v.toStdString());
        if (!f) return QStringLiteral("unknown family '%1' (kelt, sorn or brio)").arg(v);
        o.family = *f;
    }
    if (isSet(QStringLiteral("road"))) {
        const QString v = value(QStringLiteral("road"));
        if (v != QLatin1String("serial") && v != QLatin1String("usb"))
            return QStringLiteral("unknown road '%1' (serial or usb)").arg(v);
        o.usbRoad = v == QLatin1String("usb");
    }
    if (isSet(QStringLiteral("decimal"))) {
        const QString v = value(QStringLiteral("decimal"));
        if (breaksColumns(v)) {
            return QStringLiteral(
                "option --decimal: a TAB, line break or other control character would break "
                "the columns");
        }
        o.decimal = v.toStdString();
    }
    if (isSet(QStringLiteral("count-class"))) {
        const QString v = value(QStringLiteral("count-class"));
        o.countClass = findCountClass(v.toStdString());
        if (!o.countClass) return QStringLiteral("unknown count class '%1' (4, 6, 34 or 2)").arg(v);
    }
    QString error;
    if (const auto n = integer(QStringLiteral("upper"), INT_MIN, INT_MAX, error)) o.upper = *n;
    if (const auto n = integer(QStringLiteral("lower"), INT_MIN, INT_MAX, error)) o.lower = *n;
    if (const auto n = integer(QStringLiteral("limit"), 0, INT32_MAX, error)) o.limit = *n;
    if (const auto n = integer(QStringLiteral("interval"), 0, INT32_MAX, error))
        o.intervalSeconds = *n;
    if (!error.isEmpty()) return error;
    o.noRepeat = isSet(QStringLiteral("no-repeat"));
    return {};
}

}  // namespace dmm
