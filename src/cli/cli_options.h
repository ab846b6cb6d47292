#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "cli_session.h"

namespace dmm {

// The options of one dmmcli command, read by QCommandLineParser. The rules are the same for
// every command: an option given twice counts with its last value (a flag is simply set), only
// options a command gathers (--port) keep every value, and "--opt VALUE" and "--opt=VALUE" mean
// the same. A value is taken whatever it looks like ("--upper -5", "--out --x").
class CommandLine {
public:
    // `unknownText` is the message for an option the command does not know, with %1 for the
    // option as given (e.g. "unknown option '%1'").
    explicit CommandLine(QString unknownText);

    void addFlag(const QString& name);
    void addValueOption(const QString& name);
    // The options shared by the commands that decode (CommonOptions).
    void addCommonOptions();

    // Reads the arguments after the command's name. `missingValue` gives the message for an
    // option whose value is missing; none given: "option --NAME needs a value". Returns the
    // message for arguments refused, or an empty string.
    QString parse(const QStringList& args,
                  const std::function<QString(const QString& name)>& missingValue = {});

    bool isSet(const QString& name) const { return parser_.isSet(name); }
    QString value(const QString& name) const { return parser_.value(name); }
    QStringList values(const QString& name) const { return parser_.values(name); }
    QStringList positionalArguments() const { return parser_.positionalArguments(); }

    // Reads the common options into `options`; the message for a value refused, or empty.
    QString readCommonOptions(CommonOptions& options) const;

    // The value of an integer option from `lowest` to `highest`, when it is set; otherwise the
    // message that says why not ("option --limit: 'x' is not an integer", "... is out of range
    // (0 to 2147483647)") in `error`, unless it already holds one.
    std::optional<long long> integer(const QString& name, long long lowest, long long highest,
                                     QString& error) const;

private:
    bool takesValue(const QString& name) const;

    QCommandLineParser parser_;
    QString unknownText_;
    QStringList valueOptions_;
};

}  // namespace dmm
