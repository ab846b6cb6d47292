// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// A window reading a meter that another process publishes to a real broker: it shows what a
// window reading the same frames from a port shows, and its link indicator follows the broker
// and the publisher.
#include <QAction>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QToolButton>

#include <csignal>

#include "lcd_view.h"
#include "mosquitto_broker.h"
#include "pty_pair.h"
#include "remote_meter.h"
#include "trend_chart.h"
#include "window_fixture.h"

namespace {

using dmm::test::MosquittoBroker;

const QString kDmmcli = QStringLiteral(DMMCLI_PATH);

class RemoteWindowTest : public WindowTest {
protected:
    void SetUp() override {
        if (!MosquittoBroker::installed()) GTEST_SKIP() << "mosquitto is not installed";
        ASSERT_TRUE(broker.start());
        settings.url = *dmm::parseBrokerUrl(broker.url(QStringLiteral("lab/far")).toStdString(),
                                            nullptr);
    }
    void TearDown() override {
        for (QProcess* p : {&far, &meter}) {
            p->kill();
            p->waitForFinished();
        }
    }
    // A window subscribed to the far side's prefix, once the broker has taken the subscription.
    std::unique_ptr<dmm::MainWindow> subscribedWindow() {
        auto w = makeWindow();
        w->subscribeToBroker(settings);
        QSignalSpy subscribed(&w->session().remoteMeter()->connection(),
                              &dmm::BrokerConnection::subscribed);
        EXPECT_TRUE(waitFor([&] { return subscribed.count() > 0; }));
        return w;
    }
    // The far side: a simulated meter read by dmmcli record, which publishes every reading.
    void startFarSide(int frames, int rate) {
        meter.start(kDmmcli, {"simulate", "--pty", "--rate", QString::number(rate), "--frames",
                              QString::number(frames)});
        ASSERT_TRUE(waitFor([&] { return meter.canReadLine(); }));
        const QString device = QString::fromUtf8(meter.readLine()).trimmed();
        far.start(kDmmcli, {"record", "--port", device, "--decimal", ".", "--format", "jsonl",
                            "--publish", broker.url(QStringLiteral("lab/far"))});
    }
    static bool lit(dmm::MainWindow& w) {
        return !control<QLabel>(w, "linkLitPicture")->isHidden();
    }

    MosquittoBroker broker;
    dmm::BrokerSettings settings;
    QProcess meter;
    QProcess far;
};

TEST_F(RemoteWindowTest, ShowsWhatAWindowReadingTheSameFramesFromAPortShows) {
    auto remote = subscribedWindow();
    startFarSide(90, 40);
    ASSERT_TRUE(far.waitForFinished(dmm::test::kGenerousDeadlineMs));
    const QStringList messages =
        QString::fromUtf8(far.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(messages.size(), 80);
    ASSERT_TRUE(waitFor([&] {
        return remote->session().core().counters().decoded ==
               static_cast<std::uint64_t>(messages.size());
    }));

    // The same frames, as a meter on a port sends them.
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    dmm::AppOptions options;
    options.ports[1] = pty.slavePath();
    auto local = makeWindow(options);
    control<QToolButton>(*local, "serialConnectButton")->click();
    std::vector<qint64> times;
    for (const QString& m : messages) {
        const QJsonObject o = QJsonDocument::fromJson(m.toUtf8()).object();
        const QString frame = o.value("frame").toString();
        QByteArray bytes("\n");
        for (QChar c : frame.left(9)) bytes += char(0x30 | QString(c).toInt(nullptr, 16));
        bytes += '\r';
        pty.write(bytes);
        times.push_back(QDateTime::fromString(o.value("time").toString(), Qt::ISODateWithMs)
                            .toLocalTime()
                            .time()
                            .msecsSinceStartOfDay());
    }
    pty.write("\n");  // the end of the last frame
    ASSERT_TRUE(waitFor([&] {
        return local->session().core().counters().decoded ==
               static_cast<std::uint64_t>(messages.size());
    }));

    EXPECT_EQ(control<dmm::LcdView>(*remote, "lcdView")->panel(),
              control<dmm::LcdView>(*local, "lcdView")->panel());
    ASSERT_EQ(remote->recordTable().size(), local->recordTable().size());
    for (std::size_t i = 0; i < local->recordTable().size(); ++i) {
        SCOPED_TRACE(i);
        const auto a = remote->recordTable()[i];
        const auto b = local->recordTable()[i];
        EXPECT_EQ(a.no(), b.no());
        for (int field = dmm::kFieldDcAc; field <= dmm::kFieldAuto; ++field) {
            EXPECT_EQ(a.text(field), b.text(field)) << "field " << field;
        }
        EXPECT_EQ(a.timeMs(), times[i]) << "the time it was read over there";
    }
    const auto& remoteChart = control<dmm::TrendChart>(*remote, "trendChart")->model();
    const auto& localChart = control<dmm::TrendChart>(*local, "trendChart")->model();
    ASSERT_EQ(remoteChart.pointCount(), localChart.pointCount());
    for (std::size_t i = 0; i < localChart.pointCount(); ++i) {
        EXPECT_EQ(remoteChart.value(i), localChart.value(i)) << i;
    }
}

// The indicator goes dark while the broker is away and lights again when readings come back,
// nothing recorded twice; a publisher killed is said offline.
TEST_F(RemoteWindowTest, TheIndicatorFollowsTheBrokerAndThePublisher) {
    auto w = subscribedWindow();
    startFarSide(100000, 20);
    ASSERT_TRUE(waitFor([&] { return lit(*w); }));
    broker.stop();
    ASSERT_TRUE(waitFor([&] { return !lit(*w); }));
    ASSERT_TRUE(waitFor([&] {
        return w->session().linkDescription().contains(QLatin1String("trying again"));
    }));
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(waitFor([&] { return lit(*w); }));
    ::kill(static_cast<pid_t>(far.processId()), SIGKILL);
    ASSERT_TRUE(waitFor([&] {
        return w->session().linkDescription().contains(QLatin1String("publisher: offline"));
    })) << w->session().linkDescription().toStdString();
    EXPECT_EQ(w->recordTable().size(), w->session().remoteMeter()->received())
        << "every reading recorded once";
    EXPECT_TRUE(dialogs.shown.isEmpty()) << "losing the broker is no error box";
}

// "Broker..." asks where, and the window reads the meter published there: the port's and the
// cable's buttons lifted; a URL that does not read is said in a box.
TEST_F(WindowTest, TheBrokerItemReadsTheMeterChosen) {
    auto w = makeWindow();
    control<QToolButton>(*w, "serialConnectButton")->setChecked(true);
    dialogs.brokerChoices = {{"mqtt://127.0.0.1:9/lab/b7", "bench7", "pw"}, {"nonsense", "", ""}};
    control<QAction>(*w, "brokerAction")->trigger();
    ASSERT_NE(w->session().remoteMeter(), nullptr);
    const dmm::BrokerSettings& chosen = w->session().remoteMeter()->connection().settings();
    EXPECT_EQ(chosen.url.prefix, "lab/b7");
    EXPECT_EQ(chosen.url.user, "bench7");
    EXPECT_EQ(chosen.password, "pw");
    EXPECT_FALSE(control<QToolButton>(*w, "serialConnectButton")->isChecked());
    EXPECT_TRUE(dialogs.shown.isEmpty());
    control<QAction>(*w, "brokerAction")->trigger();
    EXPECT_TRUE(dialogs.last().startsWith("error: The broker URL does not read")) << dialogs.last().toStdString();
}

}  // namespace
