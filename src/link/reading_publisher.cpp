#include "reading_publisher.h"

#include <algorithm>

namespace dmm {

namespace {

BrokerSettings withLastWill(BrokerSettings settings) {
    settings.willTopic = settings.url.topic("status");
    settings.willPayload = "offline";
    return settings;
}

}  // namespace

ReadingPublisher::ReadingPublisher(BrokerSettings settings, std::size_t queueLimit,
                                   QObject* parent)
    : QObject(parent),
      connection_(withLastWill(std::move(settings))),
      queueLimit_(queueLimit > 0 ? queueLimit : 1) {
    connect(&connection_, &BrokerConnection::connected, this, [this] {
        connection_.publish(connection_.settings().url.topic("status"), "online", true);
        resendUndelivered();
        flush();
    });
    connect(&connection_, &BrokerConnection::delivered, this, [this](int mid) {
        const auto it = std::find_if(inFlight_.begin(), inFlight_.end(),
                                     [mid](const auto& m) { return m.first == mid; });
        if (it != inFlight_.end()) inFlight_.erase(it);
    });
}

ReadingPublisher::~ReadingPublisher() { stop(); }

void ReadingPublisher::stop(int waitMs) {
    connection_.stop(connection_.settings().url.topic("status"), "offline", waitMs);
}

void ReadingPublisher::publish(std::string readingJson) {
    const bool full = queue_.size() >= queueLimit_;
    if (full) {
        queue_.pop_front();
        ++dropped_;
    }
    queue_.push_back(std::move(readingJson));
    if (full) emit readingDropped(dropped_);
    flush();
}

void ReadingPublisher::resendUndelivered() {
    // Oldest first, ahead of what waits in the queue. They count towards the queue's limit.
    while (!inFlight_.empty()) {
        queue_.push_front(std::move(inFlight_.back().second));
        inFlight_.pop_back();
    }
    while (queue_.size() > queueLimit_) {
        queue_.pop_front();
        ++dropped_;
    }
}

void ReadingPublisher::flush() {
    const BrokerUrl& url = connection_.settings().url;
    const std::string readingTopic = url.topic("reading");
    while (!queue_.empty()) {
        const int mid = connection_.publish(readingTopic, queue_.front(), false);
        if (mid < 0) break;
        // The last one of a backlog is the one a dashboard shows.
        if (queue_.size() == 1) connection_.publish(url.topic("last"), queue_.front(), true);
        inFlight_.emplace_back(mid, std::move(queue_.front()));
        queue_.pop_front();
        ++published_;
    }
}

QString ReadingPublisher::describe() const {
    QString text = connection_.describe();
    if (waiting() > 0) {
        text += QStringLiteral("\nreadings waiting for the broker: %1").arg(waiting());
    }
    if (dropped_ > 0) {
        text += QStringLiteral("\nreadings dropped while the broker was away: %1").arg(dropped_);
    }
    return text;
}

}  // namespace dmm
