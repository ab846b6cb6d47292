// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Tests on eight bytes at a time, for the readers of large data files. Words are loaded in
// memory order on little-endian machines only: callers use these where
// std::endian::native == std::endian::little and read byte by byte elsewhere.
namespace dmm::wordscan {

constexpr bool kUsable = std::endian::native == std::endian::little;

inline std::uint64_t load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// Bit i set when byte i of `w` is below 0x20 (TAB, CR, LF and the other controls) or from
// 0x80 up. Exact for every byte: no carry crosses from one byte to the next.
inline unsigned specialBits(std::uint64_t w) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    // A byte's high bit: set when its low seven bits reach 0x20, or when it is 0x80 or more.
    const std::uint64_t printable = ((w & kLow7) + 0x6060606060606060ULL) & ~w & kHigh;
    const std::uint64_t special = ~printable & kHigh;
    // Gather the eight high bits into one byte.
    return static_cast<unsigned>(((special >> 7) * 0x0102040810204080ULL) >> 56);
}

// Marks with 0x80 each byte of `w` that equals `c`, and no other byte: exact for every byte,
// as no carry crosses from one byte to the next.
inline std::uint64_t markBytesEqual(std::uint64_t w, char c) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    const std::uint64_t x = w ^ (0x0101010101010101ULL * static_cast<unsigned char>(c));
    // A byte of x is 0 where w had c: its low seven bits plus 0x7F then leave bit 7 clear.
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// Where in memory order the lowest byte that `marks` marks lies.
inline std::size_t firstMarkedByte(std::uint64_t marks) {
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
}

}  // namespace dmm::wordscan
