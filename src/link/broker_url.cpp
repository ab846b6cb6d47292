#include "broker_url.h"

#include <charconv>

namespace dmm {

namespace {

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

// A topic level of ours: no wildcard, no NUL, not empty; topics starting with '$' belong to
// the broker.
bool validPrefix(std::string_view prefix, std::string* error) {
    if (prefix.empty()) return fail(error, "the URL names no topic prefix (mqtt://HOST/PREFIX)");
    if (prefix.front() == '$') return fail(error, "topics starting with '$' belong to the broker");
    std::size_t level = 0;
    for (std::size_t i = 0; i <= prefix.size(); ++i) {
        if (i == prefix.size() || prefix[i] == '/') {
            if (i == level) return fail(error, "the topic prefix has an empty level");
            level = i + 1;
        } else if (prefix[i] == '+' || prefix[i] == '#') {
            return fail(error, "the topic prefix must not hold the wildcards '+' or '#'");
        } else if (static_cast<unsigned char>(prefix[i]) < 0x20 || prefix[i] == 0x7F) {
            return fail(error, "the topic prefix holds a control character");
        }
    }
    return true;
}

}  // namespace

std::string BrokerUrl::text() const {
    std::string out = tls ? "mqtts://" : "mqtt://";
    if (!user.empty()) out += user + "@";
    out += host.find(':') != std::string::npos ? "[" + host + "]" : host;
    out += ":" + std::to_string(port);
    if (!prefix.empty()) out += "/" + prefix;
    return out;
}

std::optional<BrokerUrl> parseBrokerUrl(std::string_view text, std::string* error,
                                        bool prefixRequired) {
    BrokerUrl url;
    constexpr std::string_view kPlain = "mqtt://", kTls = "mqtts://";
    if (text.substr(0, kPlain.size()) == kPlain) {
        text.remove_prefix(kPlain.size());
    } else if (text.substr(0, kTls.size()) == kTls) {
        url.tls = true;
        url.port = 8883;
        text.remove_prefix(kTls.size());
    } else {
        fail(error, "a broker URL starts with mqtt:// or mqtts://");
        return std::nullopt;
    }
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos && prefixRequired) {
        fail(error, "the URL names no topic prefix (mqtt://HOST/PREFIX)");
        return std::nullopt;
    }
    std::string_view authority = text.substr(0, slash);
    std::string_view prefix = slash == std::string_view::npos ? "" : text.substr(slash + 1);
    while (!prefix.empty() && prefix.back() == '/') prefix.remove_suffix(1);
    if ((prefixRequired || !prefix.empty()) && !validPrefix(prefix, error)) return std::nullopt;
    url.prefix = std::string(prefix);

    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        if (user.find(':') != std::string_view::npos) {
            fail(error, "a password never goes in the URL: give it with --password-file FILE "
                        "or in DMM_MQTT_PASSWORD");
            return std::nullopt;
        }
        if (user.empty()) {
            fail(error, "the URL's user name is empty");
            return std::nullopt;
        }
        url.user = std::string(user);
        authority.remove_prefix(at + 1);
    }
    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            fail(error, "the URL's IPv6 address has no closing ']'");
            return std::nullopt;
        }
        url.host = std::string(authority.substr(1, close - 1));
        authority.remove_prefix(close + 1);
        if (!authority.empty() && authority.front() != ':') {
            fail(error, "the URL's IPv6 address is followed by something other than a port");
            return std::nullopt;
        }
        if (!authority.empty()) portText = authority.substr(1);
    } else if (const std::size_t colon = authority.find(':');
               colon != std::string_view::npos) {
        url.host = std::string(authority.substr(0, colon));
        portText = authority.substr(colon + 1);
    } else {
        url.host = std::string(authority);
    }
    if (url.host.empty()) {
        fail(error, "the URL names no broker host");
        return std::nullopt;
    }
    for (char c : url.host) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == '/' || c == '@' || c == '[' ||
            c == ']' || c == 0x7F) {
            fail(error, "the URL's host name holds a character a host name cannot have");
            return std::nullopt;
        }
    }
    if (!portText.empty() || authority.find(':') != std::string_view::npos) {
        int port = 0;
        const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(),
                                               port);
        if (portText.empty() || ec != std::errc() || end != portText.data() + portText.size() ||
            port < 1 || port > 65535) {
            fail(error, "the URL's port is not a number from 1 to 65535");
            return std::nullopt;
        }
        url.port = port;
    }
    return url;
}

}  // namespace dmm
