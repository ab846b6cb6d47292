// SPDX-FileCopyrightText: 2026 The dmmview developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Many meters, one broker: METERS `dmmcli record --port PTY --publish ...` processes, each
// reading a `dmmcli simulate --pty --rate RATE` of its own, publish to a mosquitto of the
// bench's own for SECONDS, under bench/mN. A subscriber (a BrokerConnection) counts every
// prefix's readings; each log's summary says how many it decoded. Prints, per process and in
// all, the readings decoded, received (distinct seq), lost, repeated and out of order, and the
// CPU time of each record process over the measured SECONDS (utime + stime from
// /proc/PID/stat) as a share of one core; the same for the simulators and the broker.
//
// usage: bench_publish_many [METERS [RATE [SECONDS [plain]]]]   (default 10 20 60)
// "plain" runs the same logs without --publish, for the cost of reading and printing alone.

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "broker_connection.h"
#include "event_wait.h"
#include "local_broker.h"

using namespace dmm;

namespace {

// User and system CPU time of a process so far, in seconds; -1 when it cannot be read.
double cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name (which may hold blanks) in parentheses: utime and stime
    // are the 14th and 15th fields of the line, the 12th and 13th after ") ".
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return -1;
    const double ticks = fields[11].toDouble() + fields[12].toDouble();
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// What the subscriber saw of one prefix.
struct Received {
    std::set<std::uint64_t> seqs;
    std::uint64_t messages = 0;
    std::uint64_t outOfOrder = 0;  // a new seq below the highest seen
    std::uint64_t highest = 0;
    bool offline = false;
};

struct Meter {
    std::unique_ptr<QProcess> simulator;
    std::unique_ptr<QProcess> log;
    QString pty;
    QByteArray logErrors;
    double cpuStart = 0, cpuEnd = 0;
    double simulatorCpuStart = 0, simulatorCpuEnd = 0;
    std::uint64_t decoded = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int meters = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const QString rate = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("20");
    const int seconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 60;
    const bool publish = !(argc > 4 && std::string(argv[4]) == "plain");
    const QString dmmcli = QStringLiteral(DMMCLI_PATH);

    LocalBroker broker;
    if (!broker.start()) return 1;
    const QString url = QStringLiteral("mqtt://127.0.0.1:%1/bench/m").arg(broker.port());

    BrokerSettings settings;
    settings.url.host = "127.0.0.1";
    settings.url.port = broker.port();
    settings.url.prefix = "bench";
    BrokerConnection subscriber(settings);
    subscriber.subscribe({"bench/+/+"});
    std::map<QString, Received> received;
    QObject::connect(&subscriber, &BrokerConnection::messageReceived, &subscriber,
                     [&received](const QString& topic, const QByteArray& payload, bool) {
                         const QStringList levels = topic.split(QLatin1Char('/'));
                         Received& r = received[levels.value(1)];
                         if (levels.value(2) == QLatin1String("status")) {
                             r.offline = payload == "offline";
                             return;
                         }
                         if (levels.value(2) != QLatin1String("reading")) return;
                         const qsizetype at = payload.indexOf("\"seq\":");
                         const std::uint64_t seq =
                             at < 0 ? 0 : std::strtoull(payload.constData() + at + 6, nullptr, 10);
                         ++r.messages;
                         if (r.seqs.insert(seq).second && seq < r.highest) ++r.outOfOrder;
                         r.highest = std::max(r.highest, seq);
                     });
    bool subscribed = false;
    QObject::connect(&subscriber, &BrokerConnection::connected, &subscriber,
                     [&subscribed] { subscribed = true; });
    subscriber.start();
    if (!waitUntil([&] { return subscribed; }, 10000, 20)) {
        std::fprintf(stderr, "the subscriber did not connect\n");
        return 1;
    }

    std::vector<Meter> logs(static_cast<std::size_t>(meters));
    for (int i = 0; i < meters; ++i) {
        Meter& m = logs[static_cast<std::size_t>(i)];
        m.simulator = std::make_unique<QProcess>();
        m.simulator->start(dmmcli, {QStringLiteral("simulate"), QStringLiteral("--pty"),
                                    QStringLiteral("--rate"), rate, QStringLiteral("--seed"),
                                    QString::number(i + 1)});
        QProcess* simulator = m.simulator.get();
        QObject::connect(simulator, &QProcess::readyReadStandardOutput, simulator,
                         [simulator, &m] {
                             if (m.pty.isEmpty() && simulator->canReadLine()) {
                                 m.pty = QString::fromLocal8Bit(simulator->readLine()).trimmed();
                             }
                             if (!m.pty.isEmpty()) simulator->readAllStandardOutput();
                         });
    }
    if (!waitUntil([&] {
            return std::all_of(logs.begin(), logs.end(),
                               [](const Meter& m) { return !m.pty.isEmpty(); });
        }, 10000, 20)) {
        std::fprintf(stderr, "a simulator gave no pseudo-terminal\n");
        return 1;
    }
    for (int i = 0; i < meters; ++i) {
        Meter& m = logs[static_cast<std::size_t>(i)];
        QStringList arguments = {QStringLiteral("record"), QStringLiteral("--port"), m.pty};
        if (publish) arguments << QStringLiteral("--publish") << url + QString::number(i);
        m.log = std::make_unique<QProcess>();
        m.log->setStandardOutputFile(QProcess::nullDevice());
        m.log->start(dmmcli, arguments);
    }
    // Connected and reading: then the measured time.
    runFor(2000);
    for (Meter& m : logs) {
        m.cpuStart = cpuSeconds(m.log->processId());
        m.simulatorCpuStart = cpuSeconds(m.simulator->processId());
    }
    const double brokerCpuStart = cpuSeconds(broker.processId());
    const auto started = std::chrono::steady_clock::now();
    runFor(seconds * 1000);
    const double measured =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (Meter& m : logs) {
        m.cpuEnd = cpuSeconds(m.log->processId());
        m.simulatorCpuEnd = cpuSeconds(m.simulator->processId());
    }
    const double brokerCpu = cpuSeconds(broker.processId()) - brokerCpuStart;

    // SIGTERM: each log says "offline" after what it has published, and its summary.
    for (Meter& m : logs) m.log->terminate();
    for (Meter& m : logs) {
        m.log->waitForFinished(15000);
        m.logErrors = m.log->readAllStandardError();
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("decoded (\\d+) frames"))
                .match(QString::fromLocal8Bit(m.logErrors));
        m.decoded = match.hasMatch() ? match.captured(1).toULongLong() : 0;
        m.simulator->terminate();
        m.simulator->waitForFinished(5000);
    }
    if (publish) {
        waitUntil([&] {
            for (int i = 0; i < meters; ++i) {
                if (!received[QStringLiteral("m%1").arg(i)].offline) return false;
            }
            return true;
        }, 15000, 20);
        runFor(500);
    }
    subscriber.stop();

    std::printf("%d logs of simulated meters at %s readings/s, %s, measured over %.1f s\n",
                meters, qPrintable(rate),
                publish ? "publishing to one mosquitto" : "without --publish", measured);
    std::printf("meter\tdecoded\treceived\tlost\trepeated\tout_of_order\tlog_cpu_%%\t"
                "simulator_cpu_%%\n");
    std::uint64_t decodedTotal = 0, lostTotal = 0, receivedTotal = 0;
    std::vector<double> logCpu;
    for (int i = 0; i < meters; ++i) {
        const Meter& m = logs[static_cast<std::size_t>(i)];
        const Received& r = received[QStringLiteral("m%1").arg(i)];
        // Readings the log decoded that never arrived (their seq is 1..decoded).
        std::uint64_t lost = 0;
        for (std::uint64_t seq = 1; publish && seq <= m.decoded; ++seq) lost += !r.seqs.count(seq);
        const double cpu = 100.0 * (m.cpuEnd - m.cpuStart) / measured;
        logCpu.push_back(cpu);
        decodedTotal += m.decoded;
        lostTotal += lost;
        receivedTotal += r.seqs.size();
        std::printf("m%d\t%llu\t%zu\t%llu\t%llu\t%llu\t%.2f\t%.2f\n", i,
                    static_cast<unsigned long long>(m.decoded), r.seqs.size(),
                    static_cast<unsigned long long>(lost),
                    static_cast<unsigned long long>(r.messages - r.seqs.size()),
                    static_cast<unsigned long long>(r.outOfOrder), cpu,
                    100.0 * (m.simulatorCpuEnd - m.simulatorCpuStart) / measured);
        if (m.decoded == 0) std::printf("  log said: %s\n", m.logErrors.constData());
    }
    std::sort(logCpu.begin(), logCpu.end());
    std::printf("all: %llu decoded, %llu received, %llu lost; log CPU per process: median "
                "%.2f %%, max %.2f %% of one core; broker %.2f %%\n",
                static_cast<unsigned long long>(decodedTotal),
                static_cast<unsigned long long>(receivedTotal),
                static_cast<unsigned long long>(lostTotal), logCpu[logCpu.size() / 2],
                logCpu.back(), 100.0 * brokerCpu / measured);
    return 0;
}
