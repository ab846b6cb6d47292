// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "integer_text.h"

namespace dmm {

std::optional<std::int32_t> signedInt32(bool negative, const DigitRun& digits) {
    const std::uint64_t limit = negative ? std::uint64_t{INT32_MAX} + 1 : INT32_MAX;
    if (digits.value > limit) return std::nullopt;
    const auto magnitude = static_cast<std::int64_t>(digits.value);
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<std::int32_t> parseIntegerText(std::string_view text) {
    const bool sign = !text.empty() && (text[0] == '+' || text[0] == '-');
    const std::string_view digits = text.substr(sign ? 1 : 0);
    const DigitRun run = readDigits(digits);
    if (run.length == 0 || run.length != digits.size()) return std::nullopt;
    return signedInt32(sign && text[0] == '-', run);
}

std::string notAnIntegerMessage(std::string_view text) {
    std::string m = "'";
    m.append(text);
    m.append("' is not a valid integer value");
    return m;
}

}  // namespace dmm
