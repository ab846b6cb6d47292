#include <QCoreApplication>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

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
    std::fprintf(stderr, "dmmcli simulate: %s\n", qPrintable(message));
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
    MeterSimulator::Options options;
    bool pty = false;
    std::optional<QString> out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args.at(++i);
        };
        if (a == QLatin1String("--pty")) {
            pty = true;
        } else if (a == QLatin1String("--usb")) {
            options.cableReports = true;
        } else if (a == QLatin1String("--family")) {
            const auto v = value();
            const auto f = v ? parseFamily(v->toStdString()) : std::nullopt;
            if (!f) return usageError(QStringLiteral("--family needs kelt, sorn or brio"));
            options.family = *f;
        } else if (a == QLatin1String("--out")) {
            out = value();
            if (!out || out->isEmpty())
                return usageError(QStringLiteral("--out needs a file or -"));
        } else if (a == QLatin1String("--rate")) {
            const auto v = value();
            bool ok = false;
            options.rate = v ? v->toDouble(&ok) : 0;
            if (!ok || !std::isfinite(options.rate) || options.rate < 0 || options.rate > 10000) {
                return usageError(QStringLiteral("--rate needs frames per second, 0 to 10000"));
            }
        } else if (a == QLatin1String("--frames")) {
            const auto v = value();
            bool ok = false;
            options.frames = v ? v->toLongLong(&ok) : 0;
            if (!ok || options.frames < 0)
                return usageError(QStringLiteral("--frames needs a count"));
        } else if (a == QLatin1String("--seed")) {
            const auto v = value();
            bool ok = false;
            options.seed = v ? v->toULongLong(&ok) : 0;
            if (!ok) return usageError(QStringLiteral("--seed needs a number"));
        } else {
            return usageError(QStringLiteral("unknown argument '%1'").arg(a));
        }
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
        std::fprintf(stderr, "dmmcli simulate: %s\n", qPrintable(sim.lastError()));
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
        std::fprintf(stderr, "dmmcli simulate: %s\n", listFailure.c_str());
        status = 1;
    }
    if (!sim.closeOutput() || !sim.lastError().isEmpty()) {
        std::fprintf(stderr, "dmmcli simulate: %s\n", qPrintable(sim.lastError()));
        status = 1;
    }
    std::fprintf(stderr, "dmmcli simulate: %lld frames sent (%s)\n",
                 static_cast<long long>(sim.framesWritten()),
                 std::string(familyName(options.family)).c_str());
    return status;
}

}  // namespace dmm
