// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// What the window costs while a meter sends at its own pace: the window reads a simulated meter
// (another process, on a pseudo-terminal, at 2 frames a second) through "COM Connect", and the
// program reports its CPU time per second and its wake-ups per second per thread over 30 s, then
// over another 30 s what the user-interface thread was woken for and its repaints per second by
// widget, with the pixels they cover.
//
//   build/bench/app/dmmview_steady_bench [seconds] [frames-per-second] [records]
//
// The table holds `records` records (5000 unless given; 0 for a fresh window) before the meter
// is connected, as after some 40 minutes of recording: a long table is the steady state of a
// window left running, and in a short one every record appended visibly moves the grid's
// scroll bar.
//
// It runs the window once under the offscreen platform and once under Xvfb (through xvfb-run,
// where it is installed), each in a process of its own, and prints both reports. A wake-up is a
// context switch of a thread (the kernel's voluntary and involuntary counts). Nothing is asserted:
// the figures go to the README.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPaintEvent>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "main_window.h"
#include "meter_simulator.h"
#include "record_table.h"
#include "record_table_model.h"

namespace {

constexpr double kWarmUpSeconds = 3.0;

// ---- The meter process ----

// Sends frames to a pseudo-terminal until killed; its device path goes to standard output.
int runMeter(int argc, char** argv, double rate) {
    QCoreApplication app(argc, argv);
    dmm::MeterSimulator::Options options;
    options.rate = rate;
    dmm::MeterSimulator meter(options);
    if (!meter.openPty()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", qPrintable(meter.lastError()));
        return 1;
    }
    std::printf("%s\n", qPrintable(meter.devicePath()));
    std::fflush(stdout);
    meter.start();
    return app.exec();
}

// ---- What the window process counts ----

struct ProcessCounts {
    double cpuSeconds = 0;
    long contextSwitches = 0;  // every thread's, ended threads included
};

ProcessCounts processCounts() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return {static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6,
            u.ru_nvcsw + u.ru_nivcsw};
}

struct ThreadCounts {
    QString name;
    long contextSwitches = 0;
};

QByteArray readProcFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The context switches of each living thread, by thread id.
std::map<QString, ThreadCounts> threadCounts() {
    std::map<QString, ThreadCounts> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        ThreadCounts t;
        t.name = QString::fromLocal8Bit(readProcFile(tasks.filePath(tid + "/comm")).trimmed());
        for (const QByteArray& line : readProcFile(tasks.filePath(tid + "/status")).split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") ||
                line.startsWith("nonvoluntary_ctxt_switches:")) {
                t.contextSwitches += line.mid(line.indexOf(':') + 1).trimmed().toLong();
            }
        }
        threads[tid] = t;
    }
    return threads;
}

// The X server of the display the window is on, when it is an Xvfb this user may look at; 0 when
// there is none.
long xServerPid() {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) return 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QList<QByteArray> args = readProcFile("/proc/" + pid + "/cmdline").split('\0');
        if (!args.isEmpty() && args.first().endsWith("Xvfb") && args.contains(display)) {
            return pid.toLong();
        }
    }
    return 0;
}

// The CPU time a process has used, in seconds (from /proc/PID/stat: user and system time).
double processCpuSeconds(long pid) {
    const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return 0;
    // Fields 14 and 15 of the line; the list starts at field 3.
    return static_cast<double>(fields[11].toLong() + fields[12].toLong()) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

// An object's name for the report: its objectName (or class), after those of its ancestors up to
// the nearest one the window names; a timer with its period, a socket notifier with the file it
// watches.
QString describe(const QObject* object) {
    QString name = object->objectName().isEmpty()
                       ? QString::fromLatin1(object->metaObject()->className())
                       : object->objectName();
    if (const auto* timer = qobject_cast<const QTimer*>(object)) {
        name += QStringLiteral(" (%1 ms)").arg(timer->interval());
    } else if (const auto* notifier = qobject_cast<const QSocketNotifier*>(object)) {
        const QString fd = QStringLiteral("/proc/self/fd/%1").arg(notifier->socket());
        name += QStringLiteral(" (%1)").arg(QFileInfo(fd).symLinkTarget());
    }
    // Up to the nearest ancestor named by the window (Qt's own names start with "qt_").
    for (const QObject* up = object->parent(); up; up = up->parent()) {
        const QString upName = up->objectName();
        name.prepend((upName.isEmpty() ? QString::fromLatin1(up->metaObject()->className())
                                       : upName) + '/');
        if (!upName.isEmpty() && !upName.startsWith(QLatin1String("qt_"))) break;
    }
    return name;
}

// Counts, while on, the events of the user-interface thread that come from outside it (timer
// expiries and socket activity: what wakes it) by what received them, and the paint events by
// the widget painted.
class EventCounter : public QObject {
public:
    bool on = false;
    QHash<QString, long> wakeCauses;
    QHash<QString, long> paints;
    QHash<QString, long> paintedPixels;  // the areas of the paint events' regions

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!on) return false;
        switch (event->type()) {
        case QEvent::Timer: ++wakeCauses[QStringLiteral("timer ") + describe(watched)]; break;
        case QEvent::SockAct: ++wakeCauses[QStringLiteral("socket ") + describe(watched)]; break;
        case QEvent::Paint: {
            const QString name = describe(watched);
            ++paints[name];
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region()) {
                paintedPixels[name] += static_cast<long>(r.width()) * r.height();
            }
            break;
        }
        default: break;
        }
        return false;
    }
};

// Prints each count per second, the largest first; with `pixels`, each one's pixels per second.
void printRates(const char* title, const QHash<QString, long>& counts, double seconds,
                const QHash<QString, long>* pixels = nullptr) {
    std::vector<std::pair<long, QString>> rows;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        rows.emplace_back(it.value(), it.key());
    }
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::printf("%s\n", title);
    if (rows.empty()) std::printf("  (none)\n");
    for (const auto& [count, name] : rows) {
        std::printf("  %8.2f /s", static_cast<double>(count) / seconds);
        if (pixels) {
            std::printf("  %9.0f pixels/s", static_cast<double>(pixels->value(name)) / seconds);
        }
        std::printf("  %s\n", qPrintable(name));
    }
}

// ---- The window process ----

// Puts `count` records into the window's table, as a recording would have left them.
void fillTable(dmm::MainWindow& window, std::size_t count) {
    dmm::RecordTable& table = window.recordTable();
    char value[16];
    for (std::size_t i = table.size(); i < count; ++i) {
        std::snprintf(value, sizeof value, "%d.%03d", static_cast<int>(i % 20),
                      static_cast<int>(i % 1000));
        dmm::RecordValues r;
        r.no = static_cast<std::int32_t>(i + 1);
        r.timeMs = static_cast<std::int32_t>((i * 500) % 86400000);
        r.text = {std::string_view("DC"), std::string_view(value), std::string_view("V"),
                  std::string_view("AUTO")};
        table.append(r);
    }
    window.gridModel()->sync();
}

int runWindow(int argc, char** argv, double seconds, double rate, long records) {
    QApplication app(argc, argv);
    QProcess meter;
    meter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    meter.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--meter"), QString::number(rate)});
    if (!meter.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the simulated meter did not start\n");
        return 1;
    }
    const QString device = QString::fromLocal8Bit(meter.readLine().trimmed());

    dmm::AppOptions options;
    options.ports[1] = device;
    dmm::MainWindow window(options, nullptr);
    fillTable(window, static_cast<std::size_t>(std::max(0L, records)));
    window.show();
    window.guarded([&] { window.onPortChosen(1); });
    window.findChild<QToolButton*>(QStringLiteral("serialConnectButton"))->click();

    // Two rounds of `seconds` each: the first measures CPU time and wake-ups with nothing in the
    // way; the second counts what woke the user-interface thread and what was repainted, through
    // an application-wide event filter that would add its own cost to the first round's figures.
    EventCounter counter;
    app.installEventFilter(&counter);
    std::uint64_t decodedBefore = 0;
    std::size_t recordsBefore = 0;
    const long xServer = xServerPid();
    double xServerCpuBefore = 0;
    ProcessCounts before;
    ProcessCounts after;
    double xServerCpu = 0;
    std::map<QString, ThreadCounts> threadsBefore;
    std::map<QString, ThreadCounts> threadsAfter;
    std::uint64_t frames = 0;
    std::size_t recordsAdded = 0;
    double elapsed = 0;
    QElapsedTimer wall;
    const int roundMs = static_cast<int>(seconds * 1000);
    QTimer::singleShot(static_cast<int>(kWarmUpSeconds * 1000), &app, [&] {
        decodedBefore = window.core().counters().decoded;
        recordsBefore = window.recordTable().size();
        threadsBefore = threadCounts();
        before = processCounts();
        if (xServer) xServerCpuBefore = processCpuSeconds(xServer);
        wall.start();
        QTimer::singleShot(roundMs, &app, [&] {
            after = processCounts();
            if (xServer) xServerCpu = processCpuSeconds(xServer) - xServerCpuBefore;
            threadsAfter = threadCounts();
            elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
            frames = window.core().counters().decoded - decodedBefore;
            recordsAdded = window.recordTable().size() - recordsBefore;
            counter.on = true;
            wall.start();
            QTimer::singleShot(roundMs, &app, &QCoreApplication::quit);
        });
    });
    app.exec();
    counter.on = false;
    const double countedElapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    meter.kill();
    meter.waitForFinished();

    const double cpu = after.cpuSeconds - before.cpuSeconds;
    std::printf("platform %s: %.1f s, meter at %.1f frames/s: %llu frames decoded, %zu records "
                "added to %zu\n",
                qPrintable(QGuiApplication::platformName()), elapsed, rate,
                static_cast<unsigned long long>(frames),
                recordsAdded, recordsBefore);
    std::printf("CPU: %.3f s = %.2f %% of one core; %.2f ms per frame\n", cpu,
                100.0 * cpu / elapsed, frames ? 1000.0 * cpu / static_cast<double>(frames) : 0.0);
    if (xServer) {
        std::printf("X server (Xvfb, process %ld): CPU %.3f s = %.2f %% of one core\n", xServer,
                    xServerCpu, 100.0 * xServerCpu / elapsed);
    }
    std::printf("wake-ups (context switches): %.1f /s in all\n",
                static_cast<double>(after.contextSwitches - before.contextSwitches) / elapsed);
    long living = 0;
    for (const auto& [tid, t] : threadsAfter) {
        const auto was = threadsBefore.find(tid);
        const long since =
            t.contextSwitches - (was == threadsBefore.end() ? 0 : was->second.contextSwitches);
        living += since;
        if (since > 0) {
            std::printf("  %8.1f /s  thread %s (%s)\n", static_cast<double>(since) / elapsed,
                        qPrintable(tid), qPrintable(t.name));
        }
    }
    const long ended = after.contextSwitches - before.contextSwitches - living;
    if (ended > 0) {
        std::printf("  %8.1f /s  threads that ended meanwhile\n",
                    static_cast<double>(ended) / elapsed);
    }
    std::printf("counted over the next %.1f s:\n", countedElapsed);
    printRates("user-interface thread, woken by:", counter.wakeCauses, countedElapsed);
    printRates("repaints by widget:", counter.paints, countedElapsed, &counter.paintedPixels);
    std::fflush(stdout);
    return 0;
}

// ---- The driver: the window under each platform ----

int runPlatforms(const QStringList& args) {
    const QString self = QCoreApplication::applicationFilePath();
    struct Run {
        const char* title;
        QString program;
        QStringList arguments;
        const char* platform;
    };
    std::vector<Run> runs = {{"offscreen", self, QStringList{"--window"} + args, "offscreen"}};
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty()) {
        std::printf("xvfb-run not found: Xvfb skipped\n");
    } else {
        runs.push_back({"Xvfb", xvfbRun,
                        QStringList{"-a", "-s", "-screen 0 1280x1024x24", self, "--window"} + args,
                        "xcb"});
    }
    int status = 0;
    for (const Run& run : runs) {
        std::printf("==== %s ====\n", run.title);
        std::fflush(stdout);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(run.platform));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(run.program, run.arguments);
        if (!p.waitForFinished(-1) || p.exitCode() != 0) status = 1;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<QString> args;
    for (int i = 1; i < argc; ++i) args.push_back(QString::fromLocal8Bit(argv[i]));
    if (!args.empty() && args[0] == QLatin1String("--meter")) {
        return runMeter(argc, argv, args.size() > 1 ? args[1].toDouble() : 2.0);
    }
    const bool window = !args.empty() && args[0] == QLatin1String("--window");
    if (window) args.erase(args.begin());
    const double seconds = !args.empty() ? args[0].toDouble() : 30.0;
    const double rate = args.size() > 1 ? args[1].toDouble() : 2.0;
    const long records = args.size() > 2 ? args[2].toLong() : 5000;
    if (window) return runWindow(argc, argv, seconds, rate, records);
    QCoreApplication app(argc, argv);
    return runPlatforms(
        {QString::number(seconds), QString::number(rate), QString::number(records)});
}
