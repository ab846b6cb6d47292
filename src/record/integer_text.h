// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dmm {

// The decimal digits at the start of a text: how many there are and the number they write.
// The number stops growing once it is past every 32-bit value, so a run of any length reads
// without overflow and is simply out of range.
struct DigitRun {
    std::size_t length = 0;
    std::uint64_t value = 0;
};

inline DigitRun readDigits(std::string_view text) {
    constexpr std::uint64_t kPastAny32Bits = std::uint64_t{1} << 33;
    DigitRun run;
    for (; run.length < text.size(); ++run.length) {
        const unsigned digit = static_cast<unsigned char>(text[run.length]) - unsigned{'0'};
        if (digit > 9) break;
        if (run.value < kPastAny32Bits) run.value = run.value * 10 + digit;
    }
    return run;
}

// The signed 32-bit number of a run of digits, or nothing when it is out of range.
std::optional<std::int32_t> signedInt32(bool negative, const DigitRun& digits);

// An integer typed into an edit: an optional sign, decimal digits and nothing else, within
// 32 bits. Anything else gives no value; a blank is no digit, so " 7" is not an integer.
std::optional<std::int32_t> parseIntegerText(std::string_view text);

// The message for a text that is not an integer: "'%s' is not a valid integer value".
std::string notAnIntegerMessage(std::string_view text);

}  // namespace dmm
