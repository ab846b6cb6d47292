// dmmcli list --broker URL: the meters published on a broker, one a line.

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>

#include "broker_connection.h"
#include "cli_options.h"
#include "cli_session.h"
#include "commands.h"
#include "published_meters.h"
#include "stop_signals.h"

namespace dmm {

int runList(const QStringList& args) {
    CommandLine line(QStringLiteral("unknown argument '%1'"));
    for (const char* name : {"broker", "ca-file", "password-file"}) {
        line.addValueOption(QLatin1String(name));
    }
    if (const QString error = line.parse(args); !error.isEmpty()) {
        say("list", error);
        return 2;
    }
    if (const QStringList rest = line.positionalArguments(); !rest.isEmpty()) {
        say("list", QStringLiteral("unknown argument '%1'").arg(rest.front()));
        return 2;
    }
    if (!line.isSet(QStringLiteral("broker"))) {
        say("list", QStringLiteral("give --broker URL"));
        return 2;
    }
    std::string why;
    BrokerSettings settings;
    const auto url = parseBrokerUrl(line.value(QStringLiteral("broker")).toStdString(), &why,
                                    false);
    if (!url) {
        say("list", QStringLiteral("--broker %1: %2")
                        .arg(line.value(QStringLiteral("broker")), QString::fromStdString(why)));
        return 2;
    }
    settings.url = *url;
    settings.caFile = QFile::encodeName(line.value(QStringLiteral("ca-file"))).toStdString();
    QString problem;
    if (!readBrokerPassword(line.value(QStringLiteral("password-file")), &settings.password,
                            &problem)) {
        say("list", problem);
        return 1;
    }

    quitOnStopSignals();
    PublishedMeters meters(settings);
    int status = 0;
    QObject::connect(&meters, &PublishedMeters::listed, &meters,
                     [] { QCoreApplication::exit(0); });
    QObject::connect(&meters, &PublishedMeters::failed, &meters, [&](const QString& text) {
        say("list", text);
        status = 1;
        QCoreApplication::exit(1);
    });
    meters.start();
    if (stopSignalReceived() || QCoreApplication::exec() != 0 || status != 0) return status;
    // PREFIX, online or offline, the last reading and its time: TAB-separated.
    for (const PublishedMeters::Meter& m : meters.meters()) {
        std::printf("%s\t%s\t%s\t%s\n", printable(m.prefix).c_str(), printable(m.status).c_str(),
                    printable(m.lastText).c_str(), printable(m.lastTime).c_str());
    }
    if (const std::string failure = outputFailure(stdout); !failure.empty()) {
        say("list", failure);
        return 1;
    }
    return 0;
}

}  // namespace dmm
