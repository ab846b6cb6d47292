#include <QCoreApplication>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "cli_options.h"
#include "cli_session.h"
#include "commands.h"
#include "frame_encoder.h"
#include "meter_simulator.h"
#include "reading_state.h"
#include "stop_signals.h"

namespace dmm {

namespace {

// Says why the arguments are refused; the usage follows (main).
int usageError(const QString& message) {
    say("simulate", message);
    return 2;
}

QString rangeText(Family family, const MeterDisplay& d) {
    if (d.autoRange) return QStringLiteral("AUTO");
    return family == Family::Kelt ? QString() : QStringLiteral("MANU");
}

}  // namespace

// Sends the frames of a simulated meter to a new pseudo-terminal (whose path goes to the first
// line of standard output) or to a file. With --pty, and with --out FILE, every frame sent
// is also listed on standard output: number, value text, coupling, unit, range, TAB-separated.
int runSimulate(const QStringList& args) {
    CommandLine line(QStringLiteral("unknown argument '%1'"));
    for (const char* name : {"family", "out", "rate", "frames", "seed"})
        line.addValueOption(QLatin1String(name));
    for (const char* name : {"pty", "usb"}) line.addFlag(QLatin1String(name));
    // A missing value gets the message of a wrong one.
    const auto needs = [](const QString& name) -> QString {
        if (name == QLatin1String("family"))
            return QStringLiteral("--family needs kelt, sorn or brio");
        if (name == QLatin1String("out")) return QStringLiteral("--out needs a file or -");
        if (name == QLatin1String("rate"))
            return QStringLiteral("--rate needs frames per second, 0 to 10000");
        if (name == QLatin1String("frames")) return QStringLiteral("--frames needs a count");
        return QStringLiteral("--seed needs a number");
    };
    if (const QString error = line.parse(args, needs); !error.isEmpty()) return usageError(error);
    if (const QStringList rest = line.positionalArguments(); !rest.isEmpty())
        return usageError(QStringLiteral("unknown argument '%1'").arg(rest.front()));

    MeterSimulator::Options options;
    const bool pty = line.isSet(QStringLiteral("pty"));
    options.cableReports = line.isSet(QStringLiteral("usb"));
    if (line.isSet(QStringLiteral("family"))) {
        const auto f = parseFamily(line.value(QStringLiteral("family")).toStdString());
        if (!f) return usageError(needs(QStringLiteral("family")));
        options.family = *f;
    }
    std::optional<QString> out;
    if (line.isSet(QStringLiteral("out"))) {
        out = line.value(QStringLiteral("out"));
        if (out->isEmpty()) return usageError(needs(QStringLiteral("out")));
    }
    if (line.isSet(QStringLiteral("rate"))) {
        bool ok = false;
        options.rate = line.value(QStringLiteral("rate")).toDouble(&ok);
        if (!ok || !std::isfinite(options.rate) || options.rate < 0 || options.rate > 10000)
            return usageError(needs(QStringLiteral("rate")));
    }
    if (line.isSet(QStringLiteral("frames"))) {
        bool ok = false;
        options.frames = line.value(QStringLiteral("frames")).toLongLong(&ok);
        if (!ok || options.frames < 0) return usageError(needs(QStringLiteral("frames")));
    }
    if (line.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        options.seed = line.value(QStringLiteral("seed")).toULongLong(&ok);
        if (!ok) return usageError(needs(QStringLiteral("seed")));
    }
    if (pty == out.has_value()) return usageError(QStringLiteral("give either --pty or --out"));
    if (options.cableReports && pty) {
        return usageError(QStringLiteral(
            "--usb writes the cable's reports to --out FILE|-, not to a pseudo-terminal"));
    }
    if (options.cableReports && options.family == Family::Brio) {
        return usageError(QStringLiteral("the Brio family has no USB cable"));
    }

    quitOnStopSignals();
    MeterSimulator sim(options);
    const bool listFrames = pty || *out != QLatin1String("-");
    if (pty ? !sim.openPty() : !sim.openOutput(*out)) {
        say("simulate", sim.lastError());
        return 1;
    }
    // The list on standard output is part of the result: when it cannot be written, the
    // command ends with the reason.
    std::string listFailure;
    if (pty) {
        std::printf("%s\n", qPrintable(sim.devicePath()));
        listFailure = outputFailure(stdout);
    }

    if (listFrames) {
        QObject::connect(&sim, &MeterSimulator::frameWritten,
                         [&](qint64 n, const MeterDisplay& d) {
                             std::printf("%lld\t%s\t%s\t%s\t%s\n", static_cast<long long>(n),
                                         displayValueText(options.family, d, ".").c_str(),
                                         d.coupling.c_str(), d.unit.c_str(),
                                         qPrintable(rangeText(options.family, d)));
                             listFailure = outputFailure(stdout);
                             if (!listFailure.empty()) QCoreApplication::quit();
                         });
    }
    QObject::connect(&sim, &MeterSimulator::finished, [&sim, pty] {
        // Closing the pseudo-terminal throws away what its reader has not read yet: give the
        // reader a moment to take the last frame, as a meter's cable stays plugged in a while.
        if (pty && sim.lastError().isEmpty() && sim.readerAttached()) {
            QTimer::singleShot(1000, QCoreApplication::instance(), &QCoreApplication::quit);
        } else {
            QCoreApplication::quit();
        }
    });
    sim.start();
    if (!stopSignalReceived() && listFailure.empty()) QCoreApplication::exec();
    sim.stop();

    int status = 0;
    if (!listFailure.empty()) {
        say("simulate", listFailure);
        status = 1;
    }
    if (!sim.closeOutput() || !sim.lastError().isEmpty()) {
        say("simulate", sim.lastError());
        status = 1;
    }
    std::fprintf(stderr, "dmmcli simulate: %lld frames sent (%s)\n",
                 static_cast<long long>(sim.framesWritten()),
                 std::string(familyName(options.family)).c_str());
    return status;
}

}  // namespace dmm
