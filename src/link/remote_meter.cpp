#include "remote_meter.h"

namespace dmm {

RemoteMeter::RemoteMeter(BrokerSettings settings, QObject* parent)
    : QObject(parent), connection_(std::move(settings)) {
    const BrokerUrl& url = connection_.settings().url;
    connection_.subscribe({url.topic("reading"), url.topic("status")});
    connect(&connection_, &BrokerConnection::messageReceived, this, &RemoteMeter::onMessage);
}

void RemoteMeter::onMessage(const QString& topic, const QByteArray& payload, bool retained) {
    const BrokerUrl& url = connection_.settings().url;
    if (topic == QString::fromStdString(url.topic("status"))) {
        const QString status = QString::fromUtf8(payload).left(16);
        // A publisher that comes online again counts its readings from 1 anew.
        if (status == QLatin1String("online") && !retained) sequence_.restart();
        if (status != status_) {
            status_ = status;
            emit publisherStatusChanged(status_);
        }
        return;
    }
    const std::optional<ReceivedReading> reading =
        readReadingMessage(std::string_view(payload.constData(), payload.size()), nullptr);
    if (!reading) {
        ++unreadable_;
        return;
    }
    if (sequence_.take(reading->seq, reading->utcMs) && onReading) onReading(*reading);
}

QString RemoteMeter::describe() const {
    return QStringLiteral("%1\npublisher: %2\nreadings received: %3, dropped: %4, lost: %5")
        .arg(connection_.describe(),
             status_.isEmpty() ? QStringLiteral("not heard from yet") : status_)
        .arg(received())
        .arg(dropped())
        .arg(lost());
}

}  // namespace dmm
