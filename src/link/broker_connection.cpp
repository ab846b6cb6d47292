#include "broker_connection.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <mosquitto.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace dmm {

namespace {

// Seconds without traffic after which the client and the broker check the connection.
constexpr int kKeepAliveSeconds = 30;
constexpr int kLongestRetryDelay = 30;

void initialiseLibrary() {
    static const int once = [] {
        mosquitto_lib_init();
        return std::atexit([] { mosquitto_lib_cleanup(); });
    }();
    (void)once;
}

// What a failed library call means, in words.
std::string callProblem(int rc, int error) {
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(error);
    return mosquitto_strerror(rc);
}

}  // namespace

bool readBrokerPassword(const QString& passwordFile, std::string* password, QString* error) {
    if (passwordFile.isEmpty()) {
        const char* fromEnvironment = std::getenv("DMM_MQTT_PASSWORD");
        *password = fromEnvironment ? fromEnvironment : "";
        return true;
    }
    const QByteArray path = QFile::encodeName(passwordFile);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        *error = QStringLiteral("cannot read the password file %1: %2")
                     .arg(passwordFile, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        *error = QStringLiteral("the password file %1 may be read by others than its owner; "
                                "make it private with: chmod 600 %1")
                     .arg(passwordFile);
        return false;
    }
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the password file %1: %2")
                     .arg(passwordFile, file.errorString());
        return false;
    }
    // The first line; a line break after it is not part of the password.
    QByteArray text = file.read(4096);
    const qsizetype end = text.indexOf('\n');
    if (end >= 0) text.truncate(end);
    if (text.endsWith('\r')) text.chop(1);
    *password = text.toStdString();
    return true;
}

BrokerConnection::BrokerConnection(BrokerSettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)) {}

BrokerConnection::~BrokerConnection() { stop(); }

QString BrokerConnection::brokerName() const {
    return QString::fromStdString(settings_.url.text());
}

QString BrokerConnection::describe() const {
    switch (state_) {
    case State::Idle: return brokerName() + QStringLiteral(": not started");
    case State::Connecting: return brokerName() + QStringLiteral(": connecting");
    case State::Connected: return brokerName() + QStringLiteral(": connected");
    case State::Lost: return problem_ + QStringLiteral("; trying again");
    case State::Failed: return problem_;
    case State::Stopped: return brokerName() + QStringLiteral(": stopped");
    }
    return {};
}

void BrokerConnection::setState(State state, const QString& problem) {
    state_ = state;
    problem_ = problem;
}

void BrokerConnection::start() {
    if (client_) return;
    initialiseLibrary();
    client_ = mosquitto_new(nullptr, true, this);
    mosquitto_threaded_set(client_, true);
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    const BrokerUrl& url = settings_.url;
    if (!url.user.empty()) {
        mosquitto_username_pw_set(client_, url.user.c_str(),
                                  settings_.password.empty() ? nullptr
                                                             : settings_.password.c_str());
    }
    if (!settings_.willTopic.empty()) {
        mosquitto_will_set(client_, settings_.willTopic.c_str(),
                           static_cast<int>(settings_.willPayload.size()),
                           settings_.willPayload.data(), 1, true);
    }
    if (url.tls) {
        if (settings_.caFile.empty()) {
            mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else {
            mosquitto_tls_set(client_, settings_.caFile.c_str(), nullptr, nullptr, nullptr,
                              nullptr);
        }
    }
    mosquitto_connect_callback_set(client_, &BrokerConnection::onConnect);
    mosquitto_disconnect_callback_set(client_, &BrokerConnection::onDisconnect);
    mosquitto_publish_callback_set(client_, &BrokerConnection::onPublish);
    mosquitto_message_callback_set(client_, &BrokerConnection::onMessage);
    mosquitto_subscribe_callback_set(client_, &BrokerConnection::onSubscribe);
    mosquitto_log_callback_set(client_, &BrokerConnection::onLog);
    setState(State::Connecting);
    network_ = std::thread([this] { run(); });
}

int BrokerConnection::publish(const std::string& topic, const std::string& payload,
                              bool retain) {
    if (!client_ || !linked_) return -1;
    int mid = -1;
    const int rc = mosquitto_publish(client_, &mid, topic.c_str(),
                                     static_cast<int>(payload.size()), payload.data(), 1, retain);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

// ---- The network thread ----

void BrokerConnection::run() {
    const BrokerUrl& url = settings_.url;
    bool socketOpen = false;
    bool firstAttempt = true;
    int delay = 1;
    QString said;  // the last problem said, so that a broker that stays away is said once
    const auto say = [this, &said](State state, const QString& problem) {
        if (state == State::Lost && problem == said) return;
        said = problem;
        QMetaObject::invokeMethod(this, [this, state, problem] {
            setState(state, problem);
            if (state == State::Failed) {
                emit failed(problem);
            } else {
                emit lost(problem);
            }
        }, Qt::QueuedConnection);
    };
    const auto named = [this](const std::string& why) {
        return brokerName() + QStringLiteral(": ") + QString::fromStdString(why);
    };
    const auto tlsProblem = [this, &named] {
        std::lock_guard lock(logMutex_);
        // OpenSSL says which: a certificate that does not verify, or a broker that speaks no TLS
        // on that port.
        std::string why = lastLog_.find("certificate verify failed") != std::string::npos
                              ? "the broker's certificate does not verify"
                              : "the TLS connection failed";
        if (!lastLog_.empty()) why += " (" + lastLog_ + ")";
        return named(why);
    };
    for (;;) {
        int rc = MOSQ_ERR_SUCCESS;
        if (!socketOpen) {
            {
                std::lock_guard lock(mutex_);
                if (stopping_) break;
            }
            errno = 0;
            rc = firstAttempt ? mosquitto_connect(client_, url.host.c_str(), url.port,
                                                  kKeepAliveSeconds)
                              : mosquitto_reconnect(client_);
            const int error = errno;
            firstAttempt = false;
            if (rc == MOSQ_ERR_EAI) {
                say(State::Failed, named("the host name " + url.host + " does not resolve"));
                break;
            }
            if (rc == MOSQ_ERR_TLS || rc == MOSQ_ERR_TLS_HANDSHAKE) {
                say(State::Failed, tlsProblem());
                break;
            }
            if (rc != MOSQ_ERR_SUCCESS) {
                say(State::Lost, named(callProblem(rc, error)));
                if (!waitBeforeRetry(delay)) break;
                delay = std::min(delay * 2, kLongestRetryDelay);
                continue;
            }
            socketOpen = true;
        }
        errno = 0;
        rc = mosquitto_loop(client_, 1000, 1);
        const int error = errno;
        if (rc == MOSQ_ERR_SUCCESS) {
            if (linked_) {
                delay = 1;
                continue;
            }
            // Stopping: done once the goodbye has closed the connection (or there was none).
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            continue;
        }
        socketOpen = false;
        linked_ = false;
        std::string refusal;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            refusal = refusal_;
        }
        if (!refusal.empty()) {
            say(State::Failed, named(refusal));
            break;
        }
        if (rc == MOSQ_ERR_TLS || rc == MOSQ_ERR_TLS_HANDSHAKE) {
            say(State::Failed, tlsProblem());
            break;
        }
        say(State::Lost, named(rc == MOSQ_ERR_CONN_LOST
                                   ? std::string("the connection was lost")
                                   : "the connection was lost: " + callProblem(rc, error)));
        if (!waitBeforeRetry(delay)) break;
        delay = std::min(delay * 2, kLongestRetryDelay);
    }
    linked_ = false;
    std::lock_guard lock(mutex_);
    finished_ = true;
    wake_.notify_all();
}

bool BrokerConnection::waitBeforeRetry(int seconds) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stopping_; });
}

void BrokerConnection::onConnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<BrokerConnection*>(self);
    if (rc != 0) {
        // Server unavailable (3) may mend itself; a refused protocol, client, user or password
        // will not.
        if (rc != 3) {
            std::lock_guard lock(c->mutex_);
            c->refusal_ = std::string("the broker refused the connection: ") +
                          mosquitto_connack_string(rc);
        }
        return;
    }
    c->linked_ = true;
    if (!c->subscriptions_.empty()) {
        std::vector<char*> filters;
        for (std::string& f : c->subscriptions_) filters.push_back(f.data());
        mosquitto_subscribe_multiple(c->client_, nullptr, static_cast<int>(filters.size()),
                                     filters.data(), 1, 0, nullptr);
    }
    QMetaObject::invokeMethod(c, [c] {
        c->setState(State::Connected);
        emit c->connected();
    }, Qt::QueuedConnection);
}

void BrokerConnection::onDisconnect(mosquitto*, void* self, int) {
    static_cast<BrokerConnection*>(self)->linked_ = false;
}

void BrokerConnection::onPublish(mosquitto*, void* self, int mid) {
    auto* c = static_cast<BrokerConnection*>(self);
    {
        std::lock_guard lock(c->mutex_);
        if (mid == c->awaitedMid_) {
            c->awaitedMid_ = -1;
            c->wake_.notify_all();
        }
    }
    QMetaObject::invokeMethod(c, [c, mid] { emit c->delivered(mid); }, Qt::QueuedConnection);
}

void BrokerConnection::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* c = static_cast<BrokerConnection*>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    const bool retained = message->retain;
    QMetaObject::invokeMethod(c, [c, topic, payload, retained] {
        emit c->messageReceived(topic, payload, retained);
    }, Qt::QueuedConnection);
}

void BrokerConnection::onSubscribe(mosquitto*, void* self, int, int, const int*) {
    auto* c = static_cast<BrokerConnection*>(self);
    QMetaObject::invokeMethod(c, [c] { emit c->subscribed(); }, Qt::QueuedConnection);
}

void BrokerConnection::onLog(mosquitto*, void* self, int level, const char* text) {
    if ((level & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING)) == 0 || !text) return;
    auto* c = static_cast<BrokerConnection*>(self);
    std::lock_guard lock(c->logMutex_);
    c->lastLog_ = text;
}

// ---- Stopping ----

void BrokerConnection::stop(const std::string& topic, const std::string& payload, int waitMs) {
    if (!client_) return;
    if (!topic.empty() && linked_) {
        // The final word is published under the lock that onPublish takes, so that its
        // acknowledgement cannot slip past before its id is known.
        std::unique_lock lock(mutex_);
        int mid = -1;
        if (mosquitto_publish(client_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                              payload.data(), 1, true) == MOSQ_ERR_SUCCESS) {
            awaitedMid_ = mid;
            wake_.wait_for(lock, std::chrono::milliseconds(waitMs),
                           [this] { return awaitedMid_ == -1 || finished_; });
        }
    }
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    // A clean goodbye, so that the broker does not publish the will: the network thread goes on
    // until it has sent it and the connection is closed.
    mosquitto_disconnect(client_);
    bool ended = false;
    {
        std::unique_lock lock(mutex_);
        // A connection attempt that hangs in the system's connect cannot be cut short; the
        // thread is let go rather than waited for without end.
        ended = wake_.wait_for(lock, std::chrono::seconds(5), [this] { return finished_; });
    }
    if (ended) {
        network_.join();
        mosquitto_destroy(client_);
    } else {
        network_.detach();  // it still uses the client, which is left to it
    }
    client_ = nullptr;
    setState(State::Stopped);
}

}  // namespace dmm
