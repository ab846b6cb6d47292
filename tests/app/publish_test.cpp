// dmmview --publish: the window publishes the readings it shows to a real broker.
#include <gtest/gtest.h>

#include <QProcess>

#include "mosquitto_broker.h"
#include "wait_for.h"

namespace {

using dmm::test::MosquittoBroker;
using dmm::test::Subscriber;
using dmm::test::waitFor;

TEST(WindowPublishing, TheWindowPublishesWhatItShows) {
    if (!MosquittoBroker::installed()) GTEST_SKIP() << "mosquitto is not installed";
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker, QStringLiteral("lab/window/#"));
    QProcess window;
    window.start(QStringLiteral(DMMVIEW_PATH),
                 {QStringLiteral("--demo"), QStringLiteral("--publish"),
                  broker.url(QStringLiteral("lab/window")), QStringLiteral("--quit-after"),
                  QStringLiteral("60000")});
    ASSERT_TRUE(waitFor([&] {
        return sub.payloads(QStringLiteral("lab/window/reading")).size() >= 3;
    })) << window.readAllStandardError().toStdString();
    window.terminate();
    ASSERT_TRUE(window.waitForFinished(dmm::test::kGenerousDeadlineMs));
    ASSERT_TRUE(waitFor([&] {
        return sub.payloads(QStringLiteral("lab/window/status")).size() == 2;
    }));
    EXPECT_EQ(sub.payloads(QStringLiteral("lab/window/status")),
              (QStringList{QStringLiteral("online"), QStringLiteral("offline")}));
    EXPECT_TRUE(sub.payloads(QStringLiteral("lab/window/reading"))
                    .front()
                    .startsWith(QLatin1String("{\"time\":")));
}

}  // namespace
