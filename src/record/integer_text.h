#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dmm {

// An integer typed into an edit: optional leading blanks, an optional sign, decimal digits and
// nothing after them, within 32 bits. Anything else gives no value.
std::optional<std::int32_t> parseIntegerText(std::string_view text);

// The message for a text that is not an integer: "'%s' is not a valid integer value".
std::string notAnIntegerMessage(std::string_view text);

}  // namespace dmm
