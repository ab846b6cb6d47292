// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace dmm {

// A text of up to eight bytes as one number (byte i at bits 8i) and its length, so that two
// short texts compare in one step: keys are equal only for equal texts. Every longer text has
// the key `longText()`, which equals no key of a short text.
struct ShortTextKey {
    static constexpr std::size_t kMaxLength = 8;
    static constexpr std::uint8_t kNone = 0xFF;  // the length of a key made of no text
    static constexpr std::uint8_t kLong = 0xFE;  // the length of the key of a longer text

    std::uint64_t bytes = 0;
    std::uint8_t length = kNone;

    bool operator==(const ShortTextKey&) const = default;
    bool isShort() const { return length <= kMaxLength; }

    static constexpr ShortTextKey longText() { return {0, kLong}; }

    // Reads the text's own bytes only.
    static ShortTextKey of(std::string_view text) {
        const std::size_t n = text.size();
        if (n > kMaxLength) return longText();
        ShortTextKey key{0, static_cast<std::uint8_t>(n)};
        if constexpr (std::endian::native == std::endian::little) {
            // At most four loads of 8, 4, 2 and 1 bytes instead of a loop.
            const char* p = text.data();
            unsigned shift = 0;
            const auto take = [&]<typename Word>(Word) {
                Word v;
                std::memcpy(&v, p, sizeof v);
                key.bytes |= static_cast<std::uint64_t>(v) << shift;
                p += sizeof v;
                shift += 8 * sizeof v;
            };
            if (n & 8) take(std::uint64_t{});
            if (n & 4) take(std::uint32_t{});
            if (n & 2) take(std::uint16_t{});
            if (n & 1) take(std::uint8_t{});
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                key.bytes |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
            }
        }
        return key;
    }

    // The key of the `n` bytes at `p`, for a caller that may read eight bytes from `p`: one
    // load on a little-endian machine.
    static ShortTextKey ofPadded(const char* p, std::size_t n) {
        if constexpr (std::endian::native == std::endian::little) {
            if (n > kMaxLength) return longText();
            std::uint64_t w;
            std::memcpy(&w, p, sizeof w);
            if (n < kMaxLength) w &= (std::uint64_t{1} << (8 * n)) - 1;
            return {w, static_cast<std::uint8_t>(n)};
        } else {
            return of(std::string_view(p, n));
        }
    }

    // The key of `text`, for a caller that knows where the readable bytes end: one load when
    // eight bytes from the text's start lie before `end`.
    static ShortTextKey ofBefore(std::string_view text, const char* end) {
        if (end - text.data() >= 8) return ofPadded(text.data(), text.size());
        return of(text);
    }
};

}  // namespace dmm
