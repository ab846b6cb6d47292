#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "broker_connection.h"
#include "reading_message.h"

namespace dmm {

// A meter that another machine publishes to a broker, read back under its topic prefix: each
// PREFIX/reading message once and in order (repeats and late ones dropped and counted, gaps
// counted as lost readings), and the publisher's PREFIX/status. The broker connection comes and
// goes by itself.
class RemoteMeter : public QObject {
    Q_OBJECT
public:
    explicit RemoteMeter(BrokerSettings settings, QObject* parent = nullptr);

    // Called for each reading taken, in order.
    std::function<void(const ReceivedReading&)> onReading;

    BrokerConnection& connection() { return connection_; }
    const BrokerConnection& connection() const { return connection_; }
    void start() { connection_.start(); }

    // "online", "offline", or empty while the publisher has said nothing.
    const QString& publisherStatus() const { return status_; }
    std::uint64_t received() const { return sequence_.taken(); }
    // Repeats and late readings, and messages that are no reading.
    std::uint64_t dropped() const { return sequence_.dropped() + unreadable_; }
    std::uint64_t lost() const { return sequence_.lost(); }
    // The broker, the prefix, the publisher's status and the counts, for tooltips.
    QString describe() const;

signals:
    void publisherStatusChanged(const QString& status);

private:
    void onMessage(const QString& topic, const QByteArray& payload, bool retained);

    BrokerConnection connection_;
    ReadingSequence sequence_;
    QString status_;
    std::uint64_t unreadable_ = 0;
};

}  // namespace dmm
