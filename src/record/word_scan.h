#pragma once

#include <bit>
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

// "hh:mm:ss" (two digits each, 24-hour, within a day) as seconds since midnight; -1 for any
// other eight bytes.
inline std::int32_t clockSeconds(std::uint64_t w) {
    constexpr std::uint64_t kColonBytes = 0x0000FF0000FF0000ULL;
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ULL;
    if ((w & kColonBytes) != 0x00003A00003A0000ULL) return -1;
    // Taking '0' away leaves 0..9 in a digit's byte; anything else leaves a high nibble, or
    // reaches one when 6 is added.
    const std::uint64_t d = (w ^ 0x3030303030303030ULL) & ~kColonBytes;
    if ((d & kHighNibbles) != 0 || ((d + 0x0606060606060606ULL) & kHighNibbles) != 0) return -1;
    auto digit = [d](int i) { return static_cast<std::int32_t>((d >> (8 * i)) & 0xFF); };
    const std::int32_t h = digit(0) * 10 + digit(1);
    const std::int32_t m = digit(3) * 10 + digit(4);
    const std::int32_t s = digit(6) * 10 + digit(7);
    if (h > 23 || m > 59 || s > 59) return -1;
    return (h * 60 + m) * 60 + s;
}

// The number written by the first `length` (1 to 8) bytes of `w` when they are all decimal
// digits; false otherwise.
inline bool decimalDigits(std::uint64_t w, std::size_t length, std::int32_t& value) {
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ULL;
    // The digits moved to the top of the word, '0's shifted in below them: the same number.
    const unsigned shift = static_cast<unsigned>(8 * (8 - length));
    std::uint64_t d = (shift == 0 ? w : (w << shift) | (0x3030303030303030ULL >> (64 - shift)));
    d ^= 0x3030303030303030ULL;  // a digit's byte becomes 0..9
    if ((d & kHighNibbles) != 0 || ((d + 0x0606060606060606ULL) & kHighNibbles) != 0) return false;
    // Pairs, then fours, then all eight: the first byte is the most significant digit.
    d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFULL;
    d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFULL;
    d = (d * 10000 + (d >> 32)) & 0xFFFFFFFFULL;
    value = static_cast<std::int32_t>(d);
    return true;
}

// The first `length` (at most 8) bytes of `w`, the others cleared.
inline std::uint64_t firstBytes(std::uint64_t w, std::size_t length) {
    return length >= 8 ? w : w & ((std::uint64_t{1} << (8 * length)) - 1);
}

}  // namespace dmm::wordscan
