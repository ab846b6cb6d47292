#include "published_meters.h"

#include <QCoreApplication>
#include <QUuid>

#include "flat_json.h"

namespace dmm {

namespace {

BrokerSettings listening(BrokerSettings settings) {
    settings.willTopic.clear();
    return settings;
}

}  // namespace

PublishedMeters::PublishedMeters(BrokerSettings settings, QObject* parent)
    : QObject(parent), connection_(listening(std::move(settings))) {
    const std::string base =
        connection_.settings().url.prefix.empty() ? "" : connection_.settings().url.prefix + "/";
    marker_ = "dmmview/list/" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    std::vector<std::string> filters{marker_};
    std::string levels = base;
    for (int depth = 0; depth <= kMostLevels; ++depth) {
        if (!levels.empty()) {
            filters.push_back(levels + "status");
            filters.push_back(levels + "last");
        }
        levels += "+/";
    }
    connection_.subscribe(std::move(filters));
    connect(&connection_, &BrokerConnection::messageReceived, this, &PublishedMeters::onMessage);
    // Retained messages come right after the subscription is taken; the marker, published
    // after that, comes after them.
    connect(&connection_, &BrokerConnection::subscribed, this, [this] {
        if (connection_.publish(marker_, "end of the retained messages", false) < 0) finish();
        deadline_.start(10000);
    });
    connect(&connection_, &BrokerConnection::failed, this, [this](const QString& problem) {
        if (!done_) emit failed(problem);
        done_ = true;
    });
    connect(&connection_, &BrokerConnection::lost, this, [this](const QString& problem) {
        if (!done_) emit failed(problem);
        done_ = true;
    });
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &PublishedMeters::finish);
}

void PublishedMeters::start() { connection_.start(); }

void PublishedMeters::finish() {
    if (done_) return;
    done_ = true;
    deadline_.stop();
    emit listed();
}

void PublishedMeters::onMessage(const QString& topic, const QByteArray& payload, bool retained) {
    if (topic == QString::fromStdString(marker_)) return finish();
    if (!retained || done_) return;
    const qsizetype slash = topic.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0) return;
    const QString prefix = topic.left(slash);
    const QString leaf = topic.mid(slash + 1);
    Meter& meter = found_[prefix];
    meter.prefix = prefix;
    if (leaf == QLatin1String("status")) {
        meter.status = QString::fromUtf8(payload).left(16);
        return;
    }
    const auto object = FlatJsonReader(std::string_view(payload.constData(), payload.size()))
                            .object();
    if (!object) return;
    const auto text = [&](const char* name) {
        const auto it = object->find(name);
        return it == object->end() ? QString() : QString::fromStdString(it->second.text);
    };
    meter.lastText = (text("text") + QLatin1Char(' ') + text("unit")).trimmed();
    meter.lastTime = text("time");
}

QList<PublishedMeters::Meter> PublishedMeters::meters() const {
    QList<Meter> out;
    for (const auto& [prefix, meter] : found_) {
        if (!meter.status.isEmpty()) out << meter;
    }
    return out;
}

}  // namespace dmm
