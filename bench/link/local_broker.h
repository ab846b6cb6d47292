// SPDX-FileCopyrightText: 2026 The dmmview developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

// A Mosquitto broker of the bench's own, on a free loopback port, with its configuration in a
// temporary folder; stopped (by its process id) when the object goes.
class LocalBroker {
public:
    ~LocalBroker() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        process_.waitForFinished(5000);
    }

    // Starts mosquitto and waits until it takes connections; false, said on standard error,
    // when it does not.
    bool start() {
        port_ = freeLoopbackPort();
        const QString config = dir_.filePath(QStringLiteral("mosquitto.conf"));
        QFile file(config);
        if (port_ == 0 || !file.open(QIODevice::WriteOnly)) return said("no port or config");
        // As root, mosquitto would otherwise drop to its own user.
        file.write(QStringLiteral("%1listener %2 127.0.0.1\nallow_anonymous true\n"
                                  "persistence false\n")
                       .arg(geteuid() == 0 ? QStringLiteral("user root\n") : QString())
                       .arg(port_)
                       .toUtf8());
        file.close();
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config});
        if (!process_.waitForStarted(5000)) return said("mosquitto does not start");
        for (int i = 0; i < 500; ++i) {
            if (accepts()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return said("mosquitto takes no connection");
    }
    int port() const { return port_; }
    qint64 processId() const { return process_.processId(); }

private:
    static bool said(const char* why) {
        std::fprintf(stderr, "broker: %s\n", why);
        return false;
    }
    static sockaddr_in loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    static int freeLoopbackPort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = loopback(0);
        socklen_t size = sizeof address;
        int port = 0;
        if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port = ntohs(address.sin_port);
        }
        ::close(s);
        return port;
    }
    bool accepts() const {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = loopback(port_);
        const bool ok =
            ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(s);
        return ok;
    }

    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
