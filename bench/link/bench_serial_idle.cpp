// CPU time of an open, idle serial port polled every 50 ms: the driver on a pseudo-terminal
// with nothing arriving, for a fixed wall-clock time (10 s unless given in seconds as the
// first argument). Prints the share of one core the process used meanwhile.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

#include "bench_port.h"

using namespace dmm;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;

    PseudoTerminal pty;
    PortNameTable names;
    SerialPortDriver driver;
    long events = 0;
    driver.setReceiveHandler([&events](SerialPortDriver*, const void*, std::int32_t) { ++events; });
    if (!openDriverOnPty(pty, names, driver)) return 1;

    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuStart;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    driver.close();

    std::printf("idle port polled every %d ms for %.1f s: CPU %.3f s = %.3f %% of one core "
                "(%ld receive events)\n",
                driver.pollingDelay(), elapsed, cpu, 100.0 * cpu / elapsed, events);
    return 0;
}
