#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <string>

#include "broker_connection.h"

namespace dmm {

// Publishes a meter's readings to a broker under a topic prefix:
//   PREFIX/reading  one message per reading (JSON), at least once, in order
//   PREFIX/last     the last reading, retained, so that a dashboard shows a value at once
//   PREFIX/status   "online" once connected, "offline" at a clean stop or, as the broker's last
//                   will, when the connection is lost without a word; retained
// Readings published while the broker cannot be reached wait in a queue of at most
// `queueLimit` and go out in order once it is back; when the queue is full the oldest are
// dropped and counted. A reading the broker has not acknowledged when the connection is lost
// is sent again (a subscriber may then see it twice, with the same seq). The owning thread
// never waits on the network.
class ReadingPublisher : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kDefaultQueueLimit = 100000;

    ReadingPublisher(BrokerSettings settings, std::size_t queueLimit, QObject* parent = nullptr);
    // Says "offline" and disconnects, if still connected.
    ~ReadingPublisher() override;

    BrokerConnection& connection() { return connection_; }
    const BrokerConnection& connection() const { return connection_; }
    void start() { connection_.start(); }
    // Publishes "offline", waits at most `waitMs` for the broker to take it, disconnects.
    void stop(int waitMs = 2000);

    // Queues one reading's JSON and sends what waits, when the broker is there.
    void publish(std::string readingJson);

    std::size_t queueLimit() const { return queueLimit_; }
    std::size_t waiting() const { return queue_.size() + inFlight_.size(); }
    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t published() const { return published_; }
    // The broker's state, the readings waiting and dropped: for tooltips.
    QString describe() const;

signals:
    // The queue was full: the oldest reading was dropped (`total` so far).
    void readingDropped(std::uint64_t total);

private:
    void flush();
    void resendUndelivered();

    BrokerConnection connection_;
    std::size_t queueLimit_;
    std::deque<std::string> queue_;  // not yet handed to the broker
    // Handed over but not yet acknowledged, by message id, in order: a connection lost before
    // the broker acknowledged them does not lose them, they go again after the reconnection.
    std::deque<std::pair<int, std::string>> inFlight_;
    std::uint64_t dropped_ = 0;
    std::uint64_t published_ = 0;
};

}  // namespace dmm
