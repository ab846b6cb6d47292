#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <map>
#include <string>

#include "broker_connection.h"

namespace dmm {

// The meters published on a broker: every topic prefix (under the URL's prefix, if it has one,
// at most kMostLevels levels deeper) that holds a retained status, with that status and its
// retained last reading. One look: start(), then listed() or failed().
class PublishedMeters : public QObject {
    Q_OBJECT
public:
    struct Meter {
        QString prefix;
        QString status;    // "online" or "offline", as the publisher left it
        QString lastText;  // the last reading's value text and unit ("3.1854 V"); empty: none
        QString lastTime;  // the time of that reading, as its message gives it
    };
    static constexpr int kMostLevels = 8;

    explicit PublishedMeters(BrokerSettings settings, QObject* parent = nullptr);

    void start();
    // The meters found, by prefix.
    QList<Meter> meters() const;
    const BrokerConnection& connection() const { return connection_; }

signals:
    // Every retained message the broker holds for these topics has arrived.
    void listed();
    void failed(const QString& problem);

private:
    void onMessage(const QString& topic, const QByteArray& payload, bool retained);
    void finish();

    BrokerConnection connection_;
    std::string marker_;  // a topic of our own: its message comes after every retained one
    std::map<QString, Meter> found_;
    QTimer deadline_;     // for a broker that will not take the marker from us
    bool done_ = false;
};

}  // namespace dmm
