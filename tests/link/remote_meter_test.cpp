// A meter read from a broker (a real mosquitto): each reading once and in order, repeats and late
// ones dropped, gaps counted, a publisher that starts again counted anew, messages that are no
// reading dropped; the frames decoded as local ones, at the time they were read over there.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QSignalSpy>

#include "meter_session.h"
#include "mosquitto_broker.h"
#include "reading_message.h"
#include "remote_meter.h"
#include "wait_for.h"

namespace {

using dmm::test::MosquittoBroker;
using dmm::test::waitFor;

std::string reading(std::uint64_t seq, const char* time, const char* frame = "318541101DA",
                    const char* family = "kelt") {
    return std::string("{\"time\":\"") + time + "\",\"seq\":" + std::to_string(seq) +
           ",\"family\":\"" + family + "\",\"frame\":\"" + frame + "\"}";
}

TEST(RemoteMeter, ReadingsAreTakenOnceInOrderAndDecodedAsLocalOnes) {
    if (!MosquittoBroker::installed()) GTEST_SKIP() << "mosquitto is not installed";
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    dmm::BrokerSettings settings;
    settings.url = *dmm::parseBrokerUrl(broker.url(QStringLiteral("lab/r")).toStdString(),
                                        nullptr);
    dmm::MeterSession session;
    session.subscribeTo(settings);
    QSignalSpy subscribed(&session.remoteMeter()->connection(),
                          &dmm::BrokerConnection::subscribed);
    dmm::BrokerConnection publisher(settings);
    QSignalSpy up(&publisher, &dmm::BrokerConnection::connected);
    publisher.start();
    ASSERT_TRUE(waitFor([&] { return subscribed.count() == 1 && up.count() == 1; }));

    struct Row {
        const char* topic;  // "reading" or "status"
        std::string payload;
        std::uint64_t decoded, dropped, lost;  // after it
    } rows[] = {
        {"reading", reading(1, "2026-12-10T05:00:00.100Z"), 1, 0, 0},
        {"reading", reading(2, "2026-12-10T05:00:00.600Z", "317081101DA"), 2, 0, 0},
        {"reading", reading(2, "2026-12-10T05:00:00.600Z", "317081101DA"), 2, 1, 0},  // repeat
        {"reading", reading(1, "2026-12-10T05:00:00.100Z"), 2, 2, 0},                 // late
        {"reading", reading(5, "2026-12-10T05:00:02.100Z", "316891101DA"), 3, 2, 2},  // gap
        {"status", "online", 3, 2, 2},  // the publisher started again
        {"reading", reading(1, "2026-12-10T06:00:00.000Z", "314971101DA"), 4, 2, 2},
        {"reading", "not a reading", 4, 3, 2},
        {"reading", reading(2, "2026-12-10T06:00:00.500Z", "31497110XDA"), 4, 4, 2},
        {"reading", reading(2, "2026-12-10T06:00:00.500Z", "3149711", "acme"), 4, 5, 2},
        {"reading", reading(2, "2026-12-10T06:00:00.500Z", "314371101DA"), 5, 5, 2},
    };
    dmm::RemoteMeter& remote = *session.remoteMeter();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.payload);
        ASSERT_GE(publisher.publish(settings.url.topic(r.topic), r.payload, false), 0);
        // Every message is counted one way or the other (a status, which counts nowhere, is
        // waited for through the reading after it).
        ASSERT_TRUE(waitFor([&] {
            return session.core().counters().decoded == r.decoded &&
                   remote.dropped() == r.dropped &&
                   (std::string(r.topic) == "status" ? remote.publisherStatus() == "online"
                                                     : true);
        })) << session.core().counters().decoded << " decoded, " << remote.dropped()
            << " dropped";
        EXPECT_EQ(remote.lost(), r.lost);
    }
    // The last reading, as a local one would be, with the time it was read over there.
    EXPECT_EQ(session.core().reading().valueText, "3.1437");
    const auto there = QDateTime::fromString(QStringLiteral("2026-12-10T06:00:00.500Z"),
                                             Qt::ISODateWithMs);
    EXPECT_EQ(session.core().state.readingTimeMs,
              there.toLocalTime().time().msecsSinceStartOfDay());
    EXPECT_NE(session.readingMessage().find("\"time\":\"2026-12-10T06:00:00.500Z\""),
              std::string::npos);
    const QString tip = session.linkDescription();
    EXPECT_TRUE(tip.contains(QStringLiteral("lab/r: connected"))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("publisher: online"))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("readings received: 5, dropped: 5, lost: 2")))
        << tip.toStdString();
}

// The port and the broker are one link at a time: opening the port ends the subscription.
TEST(RemoteMeter, OpeningThePortEndsTheBrokerLink) {
    if (!MosquittoBroker::installed()) GTEST_SKIP() << "mosquitto is not installed";
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    dmm::BrokerSettings settings;
    settings.url = *dmm::parseBrokerUrl(broker.url(QStringLiteral("lab/r")).toStdString(),
                                        nullptr);
    dmm::MeterSession session;
    session.portNames().map(1, QStringLiteral("/nonexistent/tty"));
    session.subscribeTo(settings);
    ASSERT_NE(session.remoteMeter(), nullptr);
    EXPECT_FALSE(session.openSerialPort());
    EXPECT_EQ(session.remoteMeter(), nullptr);
}

}  // namespace
