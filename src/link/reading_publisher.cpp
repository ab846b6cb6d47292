#include "reading_publisher.h"

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
        flush();
    });
}

ReadingPublisher::~ReadingPublisher() { stop(); }

void ReadingPublisher::stop(int waitMs) {
    connection_.stop(connection_.settings().url.topic("status"), "offline", waitMs);
}

void ReadingPublisher::publish(std::string readingJson) {
    if (queue_.size() >= queueLimit_) {
        queue_.pop_front();
        ++dropped_;
        emit readingDropped(dropped_);
    }
    queue_.push_back(std::move(readingJson));
    flush();
}

void ReadingPublisher::flush() {
    const BrokerUrl& url = connection_.settings().url;
    const std::string readingTopic = url.topic("reading");
    while (!queue_.empty() && connection_.publish(readingTopic, queue_.front(), false)) {
        // The last one of a backlog is the one a dashboard shows.
        if (queue_.size() == 1) connection_.publish(url.topic("last"), queue_.front(), true);
        queue_.pop_front();
        ++published_;
    }
}

QString ReadingPublisher::describe() const {
    QString text = connection_.describe();
    if (!queue_.empty()) {
        text += QStringLiteral("\nreadings waiting for the broker: %1").arg(queue_.size());
    }
    if (dropped_ > 0) {
        text += QStringLiteral("\nreadings dropped while the broker was away: %1").arg(dropped_);
    }
    return text;
}

}  // namespace dmm
