// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Latency from the last byte of a frame written to a pseudo-terminal to the decoded reading:
// the serial driver, polling when bytes arrive but at most once per 50 ms, hands the bytes to
// the measurement core, whose pipeline reports the finished frame. Frames are written every
// 73 ms, each in one write. Prints median, 90th percentile and maximum.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame_encoder.h"
#include "meter_core.h"
#include "bench_port.h"
#include "percentile.h"

using namespace dmm;

namespace {

struct LatencySink : dmm::PipelineSink {
    QElapsedTimer* clock = nullptr;
    qint64 writtenNs = -1;
    std::vector<double> latenciesMs;
    void frameDone() override {
        if (writtenNs < 0) return;
        latenciesMs.push_back(static_cast<double>(clock->nsecsElapsed() - writtenNs) / 1e6);
        writtenNs = -1;
    }
};

using dmm::bench::percentile;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? std::atoi(argv[1]) : 200;

    QElapsedTimer clock;
    clock.start();
    LatencySink sink;
    sink.clock = &clock;
    dmm::MeterCore core(&sink);

    PseudoTerminal pty;
    PortNameTable names;
    SerialPortDriver driver;
    driver.setReceiveHandler([&core](SerialPortDriver*, const void* data, std::int32_t size) {
        core.receiveKeltBytes(data, size);
    });
    if (!openDriverOnPty(pty, names, driver)) return 1;

    std::string frame;
    dmm::encodeFrame(dmm::Family::Kelt, {"12345", 3, false, false, "V", "DC", true}, frame);
    int written = 0;
    QTimer writer;
    writer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&writer, &QTimer::timeout, [&] {
        if (static_cast<int>(sink.latenciesMs.size()) >= frames) {
            app.quit();
            return;
        }
        sink.writtenNs = -1;  // a frame not decoded by now is not counted
        if (pty.write(frame.data(), frame.size()) == static_cast<long>(frame.size())) {
            sink.writtenNs = clock.nsecsElapsed();
            ++written;
        }
    });
    writer.start(73);
    app.exec();
    driver.close();

    if (sink.latenciesMs.empty()) {
        std::fprintf(stderr, "no frame decoded\n");
        return 1;
    }
    std::printf("frame written to decoded reading, polls at most every %d ms, %zu of %d "
                "frames: median %.1f ms, p90 %.1f ms, max %.1f ms\n",
                driver.pollingDelay(), sink.latenciesMs.size(), written,
                percentile(sink.latenciesMs, 0.5), percentile(sink.latenciesMs, 0.9),
                *std::max_element(sink.latenciesMs.begin(), sink.latenciesMs.end()));
    return 0;
}
