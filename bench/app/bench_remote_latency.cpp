// SPDX-FileCopyrightText: 2026 The dmmview developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Latency from a frame decoded on one side to the same reading shown in a window on the other,
// both on this machine: `dmmcli simulate --pty` feeds `dmmcli record --publish` (the far side,
// its own processes), a mosquitto of the bench's own carries the messages, and a window of this
// process, subscribed, shows them. Each reading is timed from the time its message gives (the
// far side's clock when it decoded the frame) to the moment the window's display has taken it.
// Prints median, p90, p99 and maximum, in ms.
//
// usage: QT_QPA_PLATFORM=offscreen bench_remote_latency [READINGS [RATE_HZ]]
//        (default 400 readings at 20 a second)

#include <QApplication>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "event_wait.h"
#include "local_broker.h"
#include "main_window.h"
#include "reading_message.h"
#include "remote_meter.h"
#include "percentile.h"

using namespace dmm;

namespace {

using dmm::bench::percentile;

std::int64_t nowUtcMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int readings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 400;
    const int rate = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;

    LocalBroker broker;
    if (!broker.start()) return 1;
    BrokerSettings settings;
    settings.url.host = "127.0.0.1";
    settings.url.port = broker.port();
    settings.url.prefix = "bench/remote";

    MainWindow window(AppOptions{}, nullptr);
    window.show();
    window.subscribeToBroker(settings);
    std::vector<double> latenciesMs;
    QObject::connect(&window.session(), &MeterSession::readingDecoded, &window, [&] {
        // The message's time is the far side's decode; the session keeps it for the reading.
        const std::string& message = window.session().readingMessage();
        const std::size_t at = message.find("\"time\":\"");
        const auto sent = utcTimeFromText(std::string_view(message).substr(at + 8, 24));
        if (sent) latenciesMs.push_back(static_cast<double>(nowUtcMs() - *sent));
    });
    bool subscribed = false;
    QObject::connect(&window.session().remoteMeter()->connection(),
                     &BrokerConnection::subscribed, &window, [&] { subscribed = true; });
    if (!waitUntil([&] { return subscribed; }, 10000)) {
        std::fprintf(stderr, "the window did not subscribe\n");
        return 1;
    }

    QProcess meter;
    meter.start(QStringLiteral(DMMCLI_PATH),
                {"simulate", "--pty", "--rate", QString::number(rate), "--frames",
                 QString::number(readings)});
    if (!waitUntil([&] { return meter.canReadLine(); }, 10000)) return 1;
    const QString device = QString::fromUtf8(meter.readLine()).trimmed();
    QProcess far;
    far.start(QStringLiteral(DMMCLI_PATH),
              {"record", "--port", device, "--publish",
               QString::fromStdString(settings.url.text())});
    waitUntil([&] { return static_cast<int>(latenciesMs.size()) >= readings; },
              readings * 1000 / rate + 30000);
    far.kill();
    meter.kill();
    far.waitForFinished();
    meter.waitForFinished();
    if (latenciesMs.empty()) {
        std::fprintf(stderr, "no reading arrived\n");
        return 1;
    }
    std::printf("readings shown: %zu of %d (at %d a second)\n", latenciesMs.size(), readings,
                rate);
    std::printf("decoded there -> shown here: median %.1f ms, p90 %.1f ms, p99 %.1f ms, "
                "max %.1f ms\n",
                percentile(latenciesMs, 0.5), percentile(latenciesMs, 0.9),
                percentile(latenciesMs, 0.99), percentile(latenciesMs, 1.0));
    return 0;
}
