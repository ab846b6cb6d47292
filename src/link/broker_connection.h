#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "broker_url.h"

struct mosquitto;
struct mosquitto_message;

namespace dmm {

// How to reach a broker and what it keeps for us.
struct BrokerSettings {
    BrokerUrl url;
    std::string password;  // empty: none
    // mqtts: the CA that signed the broker's certificate; empty: the system's CAs.
    std::string caFile;
    // The retained message the broker publishes for us when the connection is lost without a
    // word (the last will); no topic: none.
    std::string willTopic;
    std::string willPayload;
};

// Reads the password for a broker: from `passwordFile` when one is given (refused when others
// than its owner may read it), else from the environment variable DMM_MQTT_PASSWORD. False with
// `error` when the file cannot be used.
bool readBrokerPassword(const QString& passwordFile, std::string* password, QString* error);

// One connection to an MQTT broker, kept up on a network thread of its own: it connects,
// reconnects after a loss (waiting 1 s, doubling to 30 s), and gives up only for a reason that
// trying again cannot mend (the host does not resolve, the broker refuses the user or password,
// its certificate does not verify). Everything it says reaches the thread that owns it as a
// signal; publish() never waits on the network.
class BrokerConnection : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Connecting, Connected, Lost, Failed, Stopped };

    explicit BrokerConnection(BrokerSettings settings, QObject* parent = nullptr);
    // Stops without a final message (see stop()).
    ~BrokerConnection() override;

    const BrokerSettings& settings() const { return settings_; }
    State state() const { return state_; }
    // Why the connection was lost or failed, naming the broker.
    QString problem() const { return problem_; }
    // "mqtt://host:1883/prefix: connected", for tooltips.
    QString describe() const;

    // Starts the network thread, which connects.
    void start();
    // Hands a message to the network thread, at least once delivery (QoS 1); its id, which
    // delivered() gives back once the broker has it. -1 when not connected: the caller keeps
    // the message and tries again after connected().
    int publish(const std::string& topic, const std::string& payload, bool retain);
    // Asks for the messages of these topic filters (QoS 1) on every connection; before start().
    void subscribe(std::vector<std::string> topicFilters) {
        subscriptions_ = std::move(topicFilters);
    }
    // Stops: when connected, publishes `topic`/`payload` (retained) first and waits at most
    // `waitMs` for the broker to take it; then disconnects and ends the network thread.
    void stop(const std::string& topic = {}, const std::string& payload = {}, int waitMs = 2000);

signals:
    void connected();
    void lost(const QString& problem);
    void failed(const QString& problem);
    // The broker has the message of this id.
    void delivered(int messageId);
    // The broker has taken the subscriptions of this connection: the retained messages of
    // their topics come before anything published after this.
    void subscribed();
    // A message of a subscribed topic.
    void messageReceived(const QString& topic, const QByteArray& payload, bool retained);

private:
    void run();
    bool waitBeforeRetry(int seconds);
    void setState(State state, const QString& problem = {});
    QString brokerName() const;
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onSubscribe(mosquitto*, void* self, int mid, int count, const int* granted);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    BrokerSettings settings_;
    State state_ = State::Idle;  // as the owning thread last heard
    QString problem_;
    std::vector<std::string> subscriptions_;

    mosquitto* client_ = nullptr;
    std::thread network_;
    std::mutex mutex_;  // guards the fields below, shared with the network thread
    std::condition_variable wake_;
    bool stopping_ = false;
    bool finished_ = false;   // the network thread has returned
    int awaitedMid_ = -1;     // the final message's id, until the broker has taken it
    std::string refusal_;     // why the broker refused the connection, for good
    // The library's last error line (TLS errors are said there). A lock of its own: the
    // library may log from inside any call.
    std::mutex logMutex_;
    std::string lastLog_;
    std::atomic<bool> linked_{false};  // the broker accepted the connection, and it stands
};

}  // namespace dmm
