#pragma once

// A real MQTT broker for the tests: Debian's mosquitto, started on a free loopback port with a
// configuration written into a temporary folder of its own, stopped by its process id; and
// mosquitto_sub as a subscriber whose lines ("TOPIC PAYLOAD") the test reads.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <unistd.h>

#include "wait_for.h"

namespace dmm::test {

inline QString findBrokerProgram(const QString& name) {
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty()) {
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"),
                                                     QStringLiteral("/usr/bin")});
    }
    return path;
}

class MosquittoBroker {
public:
    // `extraConfig`: lines for the listener (password file, TLS files, anonymous access); the
    // folder's path replaces "{dir}". With `persistent`, what it holds survives a restart.
    explicit MosquittoBroker(QString extraConfig = QStringLiteral("allow_anonymous true\n"),
                             bool persistent = false)
        : extra_(std::move(extraConfig)), persistent_(persistent) {}
    ~MosquittoBroker() { stop(); }

    static bool installed() {
        return !findBrokerProgram(QStringLiteral("mosquitto")).isEmpty() &&
               !findBrokerProgram(QStringLiteral("mosquitto_sub")).isEmpty();
    }

    QString dir() const { return dir_.path(); }
    int port() const { return port_; }
    QString url(const QString& prefix, const QString& user = {}, bool tls = false,
                const QString& host = QStringLiteral("127.0.0.1")) const {
        return QStringLiteral("%1://%2%3:%4/%5")
            .arg(tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"),
                 user.isEmpty() ? QString() : user + QLatin1Char('@'), host)
            .arg(port_)
            .arg(prefix);
    }

    // Starts the broker (on the same port as before, after a stop) and waits until it accepts
    // connections.
    bool start() {
        if (port_ == 0) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0)) return false;
            port_ = probe.serverPort();
        }
        QString config = QStringLiteral("listener %1 127.0.0.1\n").arg(port_);
        config += QString(extra_).replace(QStringLiteral("{dir}"), dir_.path());
        if (persistent_) {
            config += QStringLiteral("persistence true\npersistence_location %1/\n")
                          .arg(dir_.path());
        }
        // As root it would turn into the user "mosquitto", who may not read the test's files.
        if (::geteuid() == 0) config += QStringLiteral("user root\n");
        QFile file(dir_.filePath(QStringLiteral("mosquitto.conf")));
        if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) return false;
        file.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(findBrokerProgram(QStringLiteral("mosquitto")),
                       {QStringLiteral("-c"), file.fileName()});
        if (!process_.waitForStarted(kGenerousDeadlineMs)) return false;
        return waitFor([this] {
            if (process_.state() != QProcess::Running) return true;
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
            return probe.waitForConnected(200);
        }) && process_.state() == QProcess::Running;
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(kGenerousDeadlineMs)) process_.kill();
        process_.waitForFinished(kGenerousDeadlineMs);
    }

    QString output() { return QString::fromUtf8(process_.readAll()); }

private:
    QString extra_;
    bool persistent_;
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// mosquitto_sub on `topic`, printing "TOPIC PAYLOAD" lines; with a client id, a persistent
// session at QoS 1 that the broker keeps while the subscriber is away.
class Subscriber {
public:
    Subscriber(const MosquittoBroker& broker, const QString& topic, const QString& clientId = {},
               const QStringList& more = {}) {
        QStringList args = {QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                            QStringLiteral("-p"), QString::number(broker.port()),
                            QStringLiteral("-v"), QStringLiteral("-q"), QStringLiteral("1"),
                            QStringLiteral("-t"), topic};
        if (!clientId.isEmpty()) {
            args << QStringLiteral("-c") << QStringLiteral("-i") << clientId;
        }
        process_.start(findBrokerProgram(QStringLiteral("mosquitto_sub")), args + more);
        process_.waitForStarted(kGenerousDeadlineMs);
    }
    ~Subscriber() {
        process_.kill();
        process_.waitForFinished(kGenerousDeadlineMs);
    }

    // The lines received so far.
    const QStringList& lines() {
        text_ += QString::fromUtf8(process_.readAllStandardOutput());
        const qsizetype end = text_.lastIndexOf(QLatin1Char('\n'));
        if (end >= 0) {
            lines_ += text_.left(end).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            text_.remove(0, end + 1);
        }
        return lines_;
    }
    // The payloads of `topic`, in order of arrival.
    QStringList payloads(const QString& topic) {
        QStringList out;
        for (const QString& line : lines()) {
            if (line.startsWith(topic + QLatin1Char(' '))) out << line.mid(topic.size() + 1);
        }
        return out;
    }
    QProcess& process() { return process_; }

private:
    QProcess process_;
    QString text_;
    QStringList lines_;
};

}  // namespace dmm::test
