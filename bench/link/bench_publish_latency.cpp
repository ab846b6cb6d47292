// SPDX-FileCopyrightText: 2026 The dmmview developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Latency from a decoded reading to its message at a subscriber, on one machine: a meter
// session fed one frame every INTERVAL ms publishes through a ReadingPublisher to a mosquitto
// of the bench's own, and a subscriber (a BrokerConnection on a thread of its own) takes
// PREFIX/reading. Each reading is timed from the pipeline's frameDone (the display's last
// step, just before the session hands the message to the publisher) to the moment the
// subscriber's thread has the message. Prints median, p90, p99 and maximum, and the readings
// that did not arrive.
//
// usage: bench_publish_latency [READINGS [INTERVAL_MS]]   (default 1000 readings, 20 ms)

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "broker_connection.h"
#include "event_wait.h"
#include "frame_encoder.h"
#include "local_broker.h"
#include "meter_session.h"
#include "reading_publisher.h"
#include "reading_script.h"
#include "percentile.h"

using namespace dmm;
using SteadyClock = std::chrono::steady_clock;
constexpr SteadyClock::time_point kNever{};

namespace {

// Where the session's pipeline ends for each frame: the time of the reading numbered `seq`.
struct DecodeTimes : PipelineSink {
    const MeterSession* session = nullptr;
    std::vector<SteadyClock::time_point> at;
    void frameDone() override {
        const std::uint64_t seq = session->core().counters().decoded;
        if (seq < at.size()) at[seq] = SteadyClock::now();
    }
};

// The arrival times, written by the subscriber's thread.
struct Arrivals {
    std::mutex mutex;
    std::vector<SteadyClock::time_point> at;
    std::uint64_t messages = 0;
};

std::uint64_t seqOf(const QByteArray& payload) {
    const qsizetype at = payload.indexOf("\"seq\":");
    return at < 0 ? 0 : std::strtoull(payload.constData() + at + 6, nullptr, 10);
}

using dmm::bench::percentile;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int readings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int intervalMs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 20;

    LocalBroker broker;
    if (!broker.start()) return 1;
    BrokerSettings settings;
    settings.url.host = "127.0.0.1";
    settings.url.port = broker.port();
    settings.url.prefix = "bench/latency";

    // The subscriber, on a thread of its own so that its arrivals are not queued behind the
    // session's work.
    Arrivals arrivals;
    arrivals.at.resize(static_cast<std::size_t>(readings) + 1);
    QThread subscriberThread;
    auto* subscriber = new BrokerConnection(settings);
    subscriber->subscribe({settings.url.topic("reading")});
    subscriber->moveToThread(&subscriberThread);
    QObject::connect(subscriber, &BrokerConnection::messageReceived, subscriber,
                     [&arrivals](const QString&, const QByteArray& payload, bool) {
                         const auto now = SteadyClock::now();
                         const std::uint64_t seq = seqOf(payload);
                         std::lock_guard lock(arrivals.mutex);
                         ++arrivals.messages;
                         if (seq < arrivals.at.size() && arrivals.at[seq] == kNever) {
                             arrivals.at[seq] = now;
                         }
                     },
                     Qt::DirectConnection);
    std::atomic<bool> subscribed{false};
    QObject::connect(subscriber, &BrokerConnection::connected, subscriber,
                     [&subscribed] { subscribed = true; }, Qt::DirectConnection);
    subscriberThread.start();
    QMetaObject::invokeMethod(subscriber, [subscriber] { subscriber->start(); });

    MeterSession session;
    DecodeTimes decoded;
    decoded.session = &session;
    decoded.at.resize(static_cast<std::size_t>(readings) + 1);
    session.setDisplay(&decoded);
    auto publisher = std::make_unique<ReadingPublisher>(settings, 100000);
    ReadingPublisher* p = publisher.get();
    p->start();
    session.publishTo(std::move(publisher));
    if (!waitUntil([&] { return subscribed &&
                                p->connection().state() == BrokerConnection::State::Connected; },
                   10000)) {
        std::fprintf(stderr, "the publisher or the subscriber did not connect\n");
        return 1;
    }
    // The subscription is sent on connecting; give the broker a moment to hold it.
    waitUntil([] { return false; }, 1000);

    ReadingScript script(Family::Kelt);
    std::vector<std::string> frames;
    for (int i = 0; i < 200; ++i) {
        std::string bytes;
        if (encodeFrame(Family::Kelt, script.next(), bytes)) frames.push_back(bytes);
    }
    int fed = 0;
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    QObject::connect(&feeder, &QTimer::timeout, &session, [&] {
        const std::string& frame = frames[static_cast<std::size_t>(fed) % frames.size()];
        session.core().receiveBytes(Family::Kelt, frame.data(), static_cast<int>(frame.size()));
        if (++fed == readings) feeder.stop();
    });
    feeder.start(intervalMs);
    waitUntil([&] { return fed == readings; }, readings * (intervalMs + 50) + 30000);
    const auto allArrived = [&] {
        std::lock_guard lock(arrivals.mutex);
        return std::all_of(arrivals.at.begin() + 1, arrivals.at.end(),
                           [](SteadyClock::time_point t) { return t != kNever; });
    };
    waitUntil(allArrived, 10000);

    std::vector<double> latenciesMs;
    std::uint64_t messages = 0;
    {
        std::lock_guard lock(arrivals.mutex);
        messages = arrivals.messages;
        for (std::size_t seq = 1; seq < arrivals.at.size(); ++seq) {
            if (arrivals.at[seq] == kNever ||
                decoded.at[seq] == kNever) {
                continue;
            }
            latenciesMs.push_back(
                std::chrono::duration<double, std::milli>(arrivals.at[seq] - decoded.at[seq])
                    .count());
        }
    }
    p->stop();
    QMetaObject::invokeMethod(subscriber, [subscriber] { subscriber->stop(); },
                              Qt::BlockingQueuedConnection);
    subscriberThread.quit();
    subscriberThread.wait();
    delete subscriber;
    if (latenciesMs.empty()) {
        std::fprintf(stderr, "no reading arrived\n");
        return 1;
    }
    std::printf("reading decoded (frameDone) -> message at a subscriber, mosquitto on loopback, "
                "one frame every %d ms: %zu of %d readings arrived (%llu messages): "
                "median %.2f ms, p90 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                intervalMs, latenciesMs.size(), readings,
                static_cast<unsigned long long>(messages), percentile(latenciesMs, 0.5),
                percentile(latenciesMs, 0.9), percentile(latenciesMs, 0.99),
                *std::max_element(latenciesMs.begin(), latenciesMs.end()));
    return 0;
}
