// Reads arbitrary text as a broker URL. A URL that is taken must say itself again as a text that
// reads back to the same broker, topic prefix and user, and must never hold a password.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "broker_url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto url = dmm::parseBrokerUrl(text, &error);
    if (!url) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (url->host.empty() || url->prefix.empty() || url->port < 1 || url->port > 65535 ||
        url->user.find(':') != std::string::npos) {
        std::abort();
    }
    const auto again = dmm::parseBrokerUrl(url->text(), &error);
    if (!again || again->host != url->host || again->port != url->port ||
        again->prefix != url->prefix || again->user != url->user || again->tls != url->tls) {
        std::abort();
    }
    return 0;
}
