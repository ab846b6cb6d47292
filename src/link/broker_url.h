#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dmm {

// Where a meter's readings are published, or read from: mqtt://[USER@]HOST[:PORT]/PREFIX or
// mqtts://... (TLS). PREFIX is one or more topic levels ("lab/bench3"); the messages go to
// PREFIX/reading, PREFIX/status and PREFIX/last. A password never goes in the URL.
struct BrokerUrl {
    bool tls = false;
    std::string user;    // empty: none
    std::string host;    // a name, an IPv4 address, or an IPv6 address (given in brackets)
    int port = 1883;     // 1883 for mqtt, 8883 for mqtts, unless given
    std::string prefix;  // without a leading or trailing '/'

    // "mqtt://bench@broker.lab:1884/lab/bench3", as it can be read again (no password).
    std::string text() const;
    std::string topic(std::string_view leaf) const { return prefix + "/" + std::string(leaf); }
};

// Reads a broker URL; none with `error` saying what is wrong. Without `prefixRequired` the topic
// prefix may be left out (mqtt://HOST to look at a whole broker).
std::optional<BrokerUrl> parseBrokerUrl(std::string_view text, std::string* error,
                                        bool prefixRequired = true);

}  // namespace dmm
