// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// dmmcli record publishing to a real broker (Debian's mosquitto, started by the test): every
// reading once and in order with its fields, the retained status and last reading, the last will,
// a broker away for a while, a full queue, and the failures that end a log before it starts.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

#include "mosquitto_broker.h"
#include "wait_for.h"

namespace {

using dmm::test::kGenerousDeadlineMs;
using dmm::test::MosquittoBroker;
using dmm::test::Subscriber;
using dmm::test::waitFor;

const QString kDmmcli = QStringLiteral(DMMCLI_PATH);

class BrokerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!MosquittoBroker::installed()) GTEST_SKIP() << "mosquitto is not installed";
    }

    // A simulated meter on a pseudo-terminal, `frames` frames at `rate` a second.
    QString startMeter(int frames, int rate) {
        meter.start(kDmmcli, {QStringLiteral("simulate"), QStringLiteral("--pty"),
                              QStringLiteral("--rate"), QString::number(rate),
                              QStringLiteral("--frames"), QString::number(frames)});
        if (!meter.waitForStarted(kGenerousDeadlineMs) ||
            !waitFor([this] { return meter.canReadLine(); })) {
            return {};
        }
        return QString::fromUtf8(meter.readLine()).trimmed();
    }
    // dmmcli record of that meter, publishing to `url`, the readings as JSON lines.
    void startRecord(const QString& device, const QString& url, const QStringList& more = {}) {
        record.start(kDmmcli, QStringList{QStringLiteral("record"), QStringLiteral("--port"),
                                          device, QStringLiteral("--publish"), url,
                                          QStringLiteral("--format"), QStringLiteral("jsonl"),
                                          QStringLiteral("--decimal"), QStringLiteral(".")} +
                                  more);
        record.waitForStarted(kGenerousDeadlineMs);
    }
    QStringList recordLines() {
        recordOut += QString::fromUtf8(record.readAllStandardOutput());
        return recordOut.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    static qint64 seqOf(const QString& json) {
        return QJsonDocument::fromJson(json.toUtf8()).object().value(QLatin1String("seq"))
            .toInteger();
    }

    QProcess meter;
    QProcess record;
    QString recordOut;
};

// The readings arrive once each, in order, as the log prints them; status and last are retained
// for a dashboard that looks later.
TEST_F(BrokerTest, EveryReadingArrivesOnceInOrderAndTheLastStaysRetained) {
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    Subscriber sub(broker, QStringLiteral("lab/b1/#"));
    const QString device = startMeter(40, 40);
    ASSERT_FALSE(device.isEmpty());
    startRecord(device, broker.url(QStringLiteral("lab/b1")));
    // The meter ends after its frames, which ends the log.
    ASSERT_TRUE(record.waitForFinished(kGenerousDeadlineMs));
    const QStringList printed = recordLines();
    const QString err = QString::fromUtf8(record.readAllStandardError());
    ASSERT_GE(printed.size(), 35) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("publishing to %1").arg(
        broker.url(QStringLiteral("lab/b1"))))) << err.toStdString();

    ASSERT_TRUE(waitFor([&] {
        return sub.payloads(QStringLiteral("lab/b1/status")).size() == 2;
    })) << err.toStdString() << "status " << record.exitCode();
    EXPECT_EQ(sub.payloads(QStringLiteral("lab/b1/reading")), printed);
    EXPECT_EQ(sub.payloads(QStringLiteral("lab/b1/status")),
              (QStringList{QStringLiteral("online"), QStringLiteral("offline")}));
    for (qsizetype i = 0; i < printed.size(); ++i) {
        const QJsonObject m = QJsonDocument::fromJson(printed[i].toUtf8()).object();
        ASSERT_EQ(m.size(), 12) << printed[i].toStdString();
        EXPECT_EQ(m.value(QLatin1String("seq")).toInteger(), i + 1);
        EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)"))
                        .match(m.value(QLatin1String("time")).toString())
                        .hasMatch());
        EXPECT_EQ(m.value(QLatin1String("family")).toString(), "kelt");
    }

    Subscriber later(broker, QStringLiteral("lab/b1/+"), {},
                     {QStringLiteral("-C"), QStringLiteral("2")});
    ASSERT_TRUE(waitFor([&] { return later.lines().size() == 2; }));
    EXPECT_EQ(later.payloads(QStringLiteral("lab/b1/last")), QStringList{printed.back()});
    EXPECT_EQ(later.payloads(QStringLiteral("lab/b1/status")), QStringList{"offline"});
}

// Killed without a word, the publisher's last will says it is offline.
TEST_F(BrokerTest, TheLastWillSaysOfflineWhenThePublisherIsKilled) {
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker, QStringLiteral("lab/b2/status"));
    // The simulated cable holds no serial port, so the killed log leaves no port lock behind
    // for the tests that come after it.
    record.start(kDmmcli, {QStringLiteral("record"), QStringLiteral("--usb"),
                           QStringLiteral("--demo"), QStringLiteral("--publish"),
                           broker.url(QStringLiteral("lab/b2"))});
    ASSERT_TRUE(record.waitForStarted(kGenerousDeadlineMs));
    ASSERT_TRUE(waitFor([&] { return sub.lines().size() == 1; }));
    ::kill(static_cast<pid_t>(record.processId()), SIGKILL);
    ASSERT_TRUE(waitFor([&] { return sub.lines().size() == 2; }));
    EXPECT_EQ(sub.payloads(QStringLiteral("lab/b2/status")),
              (QStringList{QStringLiteral("online"), QStringLiteral("offline")}));
}

// The broker goes away for a while and comes back (keeping what it holds for a subscriber with a
// persistent session): every reading arrives, in the order of its first arrival; QoS 1 may bring
// one twice, with its own number.
TEST_F(BrokerTest, NothingIsLostWhileTheBrokerIsAway) {
    MosquittoBroker broker(QStringLiteral("allow_anonymous true\n"), true);
    ASSERT_TRUE(broker.start());
    auto sub = std::make_unique<Subscriber>(broker, QStringLiteral("lab/b3/reading"),
                                            QStringLiteral("keeper"));
    // The subscriber's session is there before the first reading, so that it is kept for it.
    QString brokerLog;
    ASSERT_TRUE(waitFor([&] {
        brokerLog += broker.output();
        return brokerLog.contains(QLatin1String(" as keeper "));
    })) << brokerLog.toStdString();
    startRecord(startMeter(320, 40), broker.url(QStringLiteral("lab/b3")));
    ASSERT_TRUE(waitFor([&] { return sub->lines().size() >= 10; }))
        << "broker: " << (brokerLog + broker.output()).toStdString()
        << "\nrecord: " << record.readAllStandardError().toStdString() << recordLines().size()
        << " readings printed, running " << (record.state() == QProcess::Running)
        << "\nsubscriber: " << sub->process().readAllStandardError().toStdString()
        << " running " << (sub->process().state() == QProcess::Running)
        << "\nmeter running " << (meter.state() == QProcess::Running);

    broker.stop();
    const qsizetype atStop = recordLines().size();
    // Readings go on while it is away: 200 of them, five seconds of this meter.
    ASSERT_TRUE(waitFor([&] { return recordLines().size() >= atStop + 200; }));
    ASSERT_TRUE(broker.start());

    ASSERT_TRUE(record.waitForFinished(kGenerousDeadlineMs));
    const QStringList printed = recordLines();
    const QString err = QString::fromUtf8(record.readAllStandardError());
    EXPECT_EQ(err.count(QStringLiteral("the readings wait for the broker")), 1) << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("is back")), 1) << err.toStdString();
    ASSERT_TRUE(waitFor([&] {
        const QStringList got = sub->payloads(QStringLiteral("lab/b3/reading"));
        return !got.isEmpty() && seqOf(got.back()) == printed.size();
    })) << err.toStdString();
    qint64 next = 1;
    for (const QString& m : sub->payloads(QStringLiteral("lab/b3/reading"))) {
        const qint64 seq = seqOf(m);
        if (seq < next) continue;  // a repeat
        EXPECT_EQ(seq, next) << "readings before " << seq << " are missing";
        next = seq + 1;
    }
    EXPECT_EQ(next - 1, printed.size());
}

// While no broker is there, at most --queue readings wait: the oldest go, and the log says how
// many once the broker is back; a subscriber that kept its session sees the rest, in order.
TEST_F(BrokerTest, AFullQueueDropsTheOldestAndSaysHowMany) {
    MosquittoBroker broker(QStringLiteral("allow_anonymous true\n"), true);
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker, QStringLiteral("lab/b4/reading"), QStringLiteral("keeper"));
    ASSERT_TRUE(waitFor([&] {
        return broker.output().contains(QLatin1String("New client connected"));
    }));
    broker.stop();  // the port is known, and nobody listens on it
    startRecord(startMeter(60, 40), broker.url(QStringLiteral("lab/b4")),
                {QStringLiteral("--queue"), QStringLiteral("5")});
    ASSERT_TRUE(waitFor([&] { return recordLines().size() >= 12; }));
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(record.waitForFinished(kGenerousDeadlineMs));
    const QStringList printed = recordLines();
    const QString err = QString::fromUtf8(record.readAllStandardError());
    const QRegularExpressionMatch dropped =
        QRegularExpression(QStringLiteral("is back; (\\d+) readings were dropped")).match(err);
    ASSERT_TRUE(dropped.hasMatch()) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("is full (5 readings): the oldest are dropped")));
    const qint64 count = dropped.captured(1).toLongLong();
    EXPECT_GE(count, 7);
    ASSERT_TRUE(waitFor([&] {
        const QStringList got = sub.payloads(QStringLiteral("lab/b4/reading"));
        return !got.isEmpty() && seqOf(got.back()) == printed.size();
    }));
    const QStringList got = sub.payloads(QStringLiteral("lab/b4/reading"));
    EXPECT_EQ(seqOf(got.front()), count + 1) << "the oldest are the ones dropped";
    EXPECT_EQ(got.size(), printed.size() - count);
}

// What trying again cannot mend ends the log before the meter is read, with status 1 and the
// broker and the reason named: a host that does not resolve, a refused password, a certificate
// of another CA, a password file others may read.
TEST_F(BrokerTest, FailuresThatCannotMendEndTheLogBeforeItStarts) {
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(QLatin1String(name)); };
    const auto run = [](const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        return p.waitForFinished(kGenerousDeadlineMs) && p.exitCode() == 0;
    };
    // Two CAs; the broker's certificate is signed by the first.
    for (const char* ca : {"ca", "other"}) {
        ASSERT_TRUE(run(QStringLiteral("openssl"),
                        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                         "-subj", QStringLiteral("/CN=%1 test CA").arg(ca), "-keyout",
                         path(ca) + ".key", "-out", path(ca) + ".crt"}));
    }
    ASSERT_TRUE(run(QStringLiteral("openssl"),
                    {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
                     "-keyout", path("server.key"), "-out", path("server.csr")}));
    QFile ext(path("ext"));
    ASSERT_TRUE(ext.open(QIODevice::WriteOnly));
    ext.write("subjectAltName=DNS:localhost\n");
    ext.close();
    ASSERT_TRUE(run(QStringLiteral("openssl"),
                    {"x509", "-req", "-in", path("server.csr"), "-CA", path("ca.crt"), "-CAkey",
                     path("ca.key"), "-CAcreateserial", "-days", "2", "-extfile", path("ext"),
                     "-out", path("server.crt")}));
    MosquittoBroker tls(QStringLiteral("allow_anonymous true\ncafile %1\ncertfile %2\nkeyfile %3\n")
                            .arg(path("ca.crt"), path("server.crt"), path("server.key")));
    ASSERT_TRUE(tls.start()) << tls.output().toStdString();
    MosquittoBroker locked(QStringLiteral("allow_anonymous false\npassword_file {dir}/users\n"));
    ASSERT_TRUE(run(dmm::test::findBrokerProgram(QStringLiteral("mosquitto_passwd")),
                    {"-b", "-c", locked.dir() + "/users", "bench", "secret"}));
    ASSERT_TRUE(locked.start()) << locked.output().toStdString();
    QFile::setPermissions(locked.dir() + "/users", QFile::ReadOwner | QFile::WriteOwner);
    for (const auto& [name, text] : {std::pair{"wrong", "not secret\n"}, {"open", "secret\n"}}) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        f.setPermissions(name == std::string("open")
                             ? QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther
                             : QFile::ReadOwner | QFile::WriteOwner);
    }
    struct Row {
        const char* name;
        QStringList args;
        const char* said;
    } rows[] = {
        {"a host that does not resolve", {"--publish", "mqtt://no-such-host.invalid/lab/x"},
         "mqtt://no-such-host.invalid:1883/lab/x: the host name no-such-host.invalid does not "
         "resolve"},
        {"a refused password",
         {"--publish", locked.url("lab/x", "bench"), "--password-file", path("wrong")},
         "the broker refused the connection"},
        {"a certificate of another CA",
         {"--publish", tls.url("lab/x", {}, true, "localhost"), "--ca-file", path("other.crt")},
         "the broker's certificate does not verify"},
        {"a password file others may read",
         {"--publish", locked.url("lab/x", "bench"), "--password-file", path("open")},
         "may be read by others than its owner"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QProcess p;
        p.start(kDmmcli, QStringList{"record", "--usb", "--demo", "--duration", "30"} + r.args);
        ASSERT_TRUE(p.waitForFinished(kGenerousDeadlineMs));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(QLatin1String(r.said))) << err.toStdString();
        EXPECT_FALSE(err.contains(QLatin1String("reading the USB cable"))) << err.toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    }
    // The right CA and the right password (from the environment) are taken.
    const QStringList taken[] = {
        {"--publish", tls.url("lab/x", {}, true, "localhost"), "--ca-file", path("ca.crt")},
        {"--publish", locked.url("lab/x", "bench")},
    };
    for (const QStringList& args : taken) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DMM_MQTT_PASSWORD"), QStringLiteral("secret"));
        p.setProcessEnvironment(env);
        p.start(kDmmcli, QStringList{"record", "--usb", "--demo", "--duration", "1"} + args);
        ASSERT_TRUE(p.waitForFinished(kGenerousDeadlineMs));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
        EXPECT_TRUE(err.contains(QLatin1String("publishing to"))) << err.toStdString();
    }
}

// A meter another machine publishes: dmmcli record --subscribe logs what the publisher decoded,
// frame for frame; dmmcli list shows every published meter with its status and last reading.
TEST_F(BrokerTest, ARemoteMeterIsLoggedAndListed) {
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    QProcess reader;
    reader.start(kDmmcli, {"record", "--subscribe", broker.url("lab/b5"), "--format", "jsonl",
                           "--decimal", ".", "--duration", "600"});
    QByteArray readerErr;
    ASSERT_TRUE(waitFor([&] {
        readerErr += reader.readAllStandardError();
        return readerErr.contains("reading the meter published at");
    })) << readerErr.toStdString();
    startRecord(startMeter(30, 40), broker.url(QStringLiteral("lab/b5")));
    ASSERT_TRUE(record.waitForFinished(kGenerousDeadlineMs));
    const QStringList published = recordLines();
    QStringList read;
    ASSERT_TRUE(waitFor([&] {
        read += QString::fromUtf8(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        return read.size() >= published.size();
    }));
    reader.terminate();
    ASSERT_TRUE(reader.waitForFinished(kGenerousDeadlineMs));
    EXPECT_EQ(reader.exitCode(), 0);
    ASSERT_EQ(read.size(), published.size());
    for (qsizetype i = 0; i < read.size(); ++i) {
        const QJsonObject there = QJsonDocument::fromJson(published[i].toUtf8()).object();
        const QJsonObject here = QJsonDocument::fromJson(read[i].toUtf8()).object();
        for (const char* field : {"time", "frame", "text", "unit", "base_value"}) {
            EXPECT_EQ(here.value(QLatin1String(field)), there.value(QLatin1String(field)))
                << i << " " << field;
        }
    }

    QProcess::execute(dmm::test::findBrokerProgram("mosquitto_pub"),
                      {"-p", QString::number(broker.port()), "-r", "-t", "deep/x/y/status", "-m",
                       "online"});
    QProcess list;
    list.start(kDmmcli, {"list", "--broker", QStringLiteral("mqtt://127.0.0.1:%1").arg(
                                                 broker.port())});
    ASSERT_TRUE(list.waitForFinished(kGenerousDeadlineMs));
    EXPECT_EQ(list.exitCode(), 0) << list.readAllStandardError().toStdString();
    const QJsonObject last = QJsonDocument::fromJson(published.back().toUtf8()).object();
    EXPECT_EQ(QString::fromUtf8(list.readAllStandardOutput()),
              QStringLiteral("deep/x/y\tonline\t\t\nlab/b5\toffline\t%1 %2\t%3\n")
                  .arg(last.value("text").toString(), last.value("unit").toString(),
                       last.value("time").toString()));
}

}  // namespace
