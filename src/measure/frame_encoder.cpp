// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frame_encoder.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace dmm {

namespace {

constexpr char kLineFeed = 0x0A;
constexpr char kCarriageReturn = 0x0D;

// Kelt and Brio send one character per nibble; the high nibble is that of the ASCII digits,
// so that a frame's digit positions read as text on a terminal.
char nibbleByte(unsigned nibble) { return static_cast<char>(0x30u | (nibble & 0xFu)); }

bool fail(std::string* error, std::string_view why) {
    if (error) error->assign(why);
    return false;
}

bool allDecimalDigits(const std::string& digits) {
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// One function/range code of a digit-sending family and what it shows.
struct ScaleCode {
    const char* unit;
    int decimals;
    unsigned function;  // Kelt: function digit 0-15; Brio: function character value 0-15
    unsigned range;
    unsigned select = 0;  // Brio: the frequency/RPM/temperature select bit
    bool frequencyOverride = false;  // Brio: positions 8 and 9 sent as "01"
};

// Kelt: the decimal point k (0-3) of the five-digit panel leaves 4 - k decimals.
constexpr unsigned kKeltPercentFunction = 12;
const ScaleCode kKeltCodes[] = {
    {"", 0, 0, 0},
    {"V", 4, 1, 1}, {"V", 3, 1, 2}, {"V", 2, 1, 3}, {"V", 1, 1, 4}, {"V", 0, 1, 0},
    {"mV", 2, 3, 0},
    {"*", 2, 4, 1}, {"k*", 4, 4, 2}, {"k*", 3, 4, 3}, {"k*", 2, 4, 4},
    {"M*", 4, 4, 5}, {"M*", 3, 4, 6}, {"*", 0, 4, 0},
    {"nF", 3, 5, 1}, {"nF", 2, 5, 2}, {"uF", 4, 5, 3}, {"uF", 3, 5, 4}, {"uF", 2, 5, 5},
    {"mF", 4, 5, 6}, {"mF", 3, 5, 7}, {"F", 0, 5, 0},
    {"#", 1, 6, 0},
    {"uA", 2, 7, 0}, {"uA", 1, 7, 1}, {"A", 0, 7, 2},
    {"mA", 3, 8, 0}, {"mA", 2, 8, 1},
    {"A", 3, 9, 0},
    {"*&", 2, 10, 0},
    {"V)", 4, 11, 0},
    {"Hz", 3, 12, 0}, {"Hz", 2, 12, 1}, {"kHz", 4, 12, 2}, {"kHz", 3, 12, 3}, {"kHz", 2, 12, 4},
    {"MHz", 4, 12, 5}, {"MHz", 3, 12, 6}, {"MHz", 2, 12, 7}, {"Hz", 0, 12, 8},
    {"%", 2, kKeltPercentFunction, 0},  // frequency function with the minus bit: a percentage
    {"?", 1, 13, 0},
    {"W", 1, 14, 0},
    {"mA%", 2, 15, 0},
};

// Brio: points 1-3 of the four-digit panel leave 3, 2, 1 decimals. Functions whose rightmost
// digit the decoder blanks (diode test, continuity) are left out: their frames cannot carry
// a four-digit reading.
const ScaleCode kBrioCodes[] = {
    {"", 0, 0x0, 0},
    {"mV", 1, 0xB, 0}, {"V", 3, 0xB, 1}, {"V", 2, 0xB, 2}, {"V", 1, 0xB, 3}, {"V", 0, 0xB, 4},
    {"uA", 1, 0xD, 0}, {"uA", 0, 0xD, 1},
    {"mA", 2, 0x9, 0}, {"mA", 1, 0x9, 1}, {"mA", 0, 0x9, 2},
    {"A", 2, 0xF, 0},
    {"*", 1, 0x3, 0}, {"k*", 3, 0x3, 1}, {"k*", 2, 0x3, 2}, {"k*", 1, 0x3, 3},
    {"M*", 3, 0x3, 4}, {"M*", 2, 0x3, 5}, {"*", 0, 0x3, 6},
    {"kHz", 3, 0x2, 0, 0, true},
    {"kHz", 2, 0x2, 1}, {"kHz", 1, 0x2, 2}, {"MHz", 3, 0x2, 3}, {"MHz", 2, 0x2, 4},
    {"MHz", 1, 0x2, 5},
    {"kRPM", 2, 0x2, 0, 1}, {"kRPM", 1, 0x2, 1, 1}, {"MRPM", 3, 0x2, 2, 1},
    {"MRPM", 2, 0x2, 3, 1}, {"MRPM", 1, 0x2, 4, 1}, {"MRPM", 0, 0x2, 5, 1},
    {"#", 0, 0x4, 0, 1}, {"?", 0, 0x4, 0, 0},
    {"nF", 3, 0x6, 0}, {"nF", 2, 0x6, 1}, {"nF", 1, 0x6, 2},
    {"uF", 3, 0x6, 3}, {"uF", 2, 0x6, 4}, {"uF", 1, 0x6, 5},
    {"mF", 3, 0x6, 6}, {"mF", 2, 0x6, 7},
};

template <std::size_t N>
const ScaleCode* findCode(const ScaleCode (&codes)[N], const MeterDisplay& d) {
    for (const ScaleCode& c : codes) {
        if (d.unit == c.unit && d.decimals == c.decimals) return &c;
    }
    return nullptr;
}

bool checkDigits(Family family, const MeterDisplay& d, std::string* error) {
    if (d.overload) return true;
    if (static_cast<int>(d.digits.size()) != displayDigits(family)) {
        return fail(error, "wrong number of digits for this family");
    }
    if (!allDecimalDigits(d.digits)) return fail(error, "digits must be 0-9");
    return true;
}

// Kelt functions whose coupling digit 0 already reads as DC.
bool keltDefaultsToDc(unsigned function) {
    return function == 0 || function == 1 || function == 3 || function == 7 || function == 8 ||
           function == 9;
}

bool encodeKelt(const MeterDisplay& d, std::string& bytes, std::string* error) {
    const ScaleCode* code = findCode(kKeltCodes, d);
    if (!code) return fail(error, "no Kelt function shows this unit with this point");
    if (!checkDigits(Family::Kelt, d, error)) return false;
    const bool percent = code->unit == std::string_view("%");
    if (code->function == kKeltPercentFunction && !percent && d.negative) {
        return fail(error, "a Kelt frequency cannot carry a minus sign");
    }
    if (percent && d.negative) return fail(error, "a Kelt percentage cannot carry a minus sign");

    unsigned function = code->function;
    if (function == 1 && d.coupling != "DC") function = 2;  // AC volts

    unsigned coupling = 0;
    if (d.coupling.empty()) {
        coupling = keltDefaultsToDc(function) ? 4 : 0;  // 4-9 show nothing and read empty
    } else if (d.coupling == "DC") {
        coupling = keltDefaultsToDc(function) ? 0 : 2;
    } else if (d.coupling == "AC") {
        coupling = 1;
    } else if (d.coupling == "AC+DC") {
        coupling = 3;
    } else {
        return fail(error, "unknown coupling");
    }

    unsigned status = d.autoRange ? 1 : 0;
    if (d.negative || percent) status += 4;

    bytes.clear();
    bytes.push_back(kLineFeed);
    if (d.overload) {
        // "A" in the first position with anything but "C" in the second: the 0L display.
        bytes.push_back(nibbleByte(0xA));
        for (int i = 0; i < 4; ++i) bytes.push_back(nibbleByte(0));
    } else {
        for (char c : d.digits) bytes.push_back(nibbleByte(static_cast<unsigned>(c - '0')));
    }
    bytes.push_back(nibbleByte(code->range));
    bytes.push_back(nibbleByte(function));
    bytes.push_back(nibbleByte(coupling));
    bytes.push_back(nibbleByte(status));
    bytes.push_back(kCarriageReturn);
    return true;
}

bool encodeBrio(const MeterDisplay& d, std::string& bytes, std::string* error) {
    const ScaleCode* code = findCode(kBrioCodes, d);
    if (!code) return fail(error, "no Brio function shows this unit with this point");
    if (!checkDigits(Family::Brio, d, error)) return false;
    if (code->frequencyOverride && (d.negative || d.overload)) {
        return fail(error, "this Brio frequency range cannot carry a sign or an overload");
    }

    unsigned couplingBits = 0;
    if (d.coupling == "DC") {
        couplingBits = 0x8;
    } else if (d.coupling == "AC") {
        couplingBits = 0x4;
    } else if (!d.coupling.empty()) {
        return fail(error, "a Brio frame shows only AC or DC");
    }
    if (d.autoRange) couplingBits |= 0x2;
    // Bit 0 clear lights the RS-232C annunciator, as while the meter sends.

    unsigned status = code->select ? 0x8 : 0;
    if (d.negative) status |= 0x4;
    if (d.overload) status |= 0x1;

    bytes.clear();
    bytes.push_back(kLineFeed);
    bytes.push_back(nibbleByte(code->range));
    if (d.overload) {
        for (int i = 0; i < 4; ++i) bytes.push_back(nibbleByte(0));
    } else {
        for (char c : d.digits) bytes.push_back(nibbleByte(static_cast<unsigned>(c - '0')));
    }
    bytes.push_back(nibbleByte(code->function));
    bytes.push_back(nibbleByte(status));
    bytes.push_back(nibbleByte(code->frequencyOverride ? 1 : 0));
    bytes.push_back(nibbleByte(couplingBits));
    bytes.push_back(kCarriageReturn);
    return true;
}

// Sorn: segment patterns, the segments d c g b e f a from the first character to the last.
constexpr std::array<const char*, 10> kSegmentPatterns = {
    "1101111", "0101000", "1011101", "1111001", "0111010",
    "1110011", "1110111", "0101001", "1111111", "1111011",
};
constexpr const char* kBlankPattern = "0000000";
constexpr const char* kLPattern = "1000110";

// Unit annunciators in the order the decoder appends their texts, with their bit positions
// (1-56, bit 3 of byte 1 first).
struct SornUnitBit {
    std::string_view text;
    int position;
};
constexpr SornUnitBit kSornUnitBits[] = {
    {"u", 37}, {"n", 38}, {"k", 39}, {"m", 41}, {"%", 42}, {"M", 43},
    {"F", 45}, {"*", 46}, {"A", 49}, {"V", 50},
};
constexpr int kSornHertzBit = 51;
constexpr int kSornCounterBit = 56;

struct SornBits {
    std::array<bool, 57> on{};  // 1-based positions
    void set(int p) { on[static_cast<std::size_t>(p)] = true; }
    void setPattern(int digit, const char* pattern) {
        // Digit k: d c g b in bits 3-0 of byte 2k+1, e f a in bits 2-0 of byte 2k.
        const int odd = (2 * digit + 1 - 1) * 4 + 1;
        const int even = (2 * digit - 1) * 4 + 1;
        for (int i = 0; i < 4; ++i) on[static_cast<std::size_t>(odd + i)] = pattern[i] == '1';
        for (int i = 0; i < 3; ++i)
            on[static_cast<std::size_t>(even + 1 + i)] = pattern[4 + i] == '1';
    }
};

bool encodeSorn(const MeterDisplay& d, std::string& bytes, std::string* error) {
    if (!checkDigits(Family::Sorn, d, error)) return false;
    if (d.decimals < 0 || d.decimals > 3) return fail(error, "a Sorn display has points 1 to 3");

    SornBits bits;
    std::string_view rest = d.unit;
    if (rest == "#") {
        if (!d.coupling.empty()) return fail(error, "the Sorn counter unit shows no coupling");
        bits.set(kSornCounterBit);
        rest = {};
    }
    for (const SornUnitBit& u : kSornUnitBits) {
        if (rest.substr(0, u.text.size()) == u.text) {
            bits.set(u.position);
            rest.remove_prefix(u.text.size());
        }
    }
    if (rest == "Hz") {
        if (!d.autoRange) return fail(error, "a Sorn frequency is always auto-ranged");
        bits.set(kSornHertzBit);
        rest = {};
    }
    if (!rest.empty()) return fail(error, "no Sorn annunciators spell this unit");

    if (d.coupling == "AC") {
        bits.set(1);
    } else if (d.coupling == "DC") {
        bits.set(2);
    } else if (!d.coupling.empty()) {
        return fail(error, "a Sorn frame shows only AC or DC");
    }
    if (d.autoRange) bits.set(3);
    bits.set(4);  // RS-232C annunciator: lit while the meter sends
    if (d.negative) bits.set(5);
    if (d.decimals > 0) bits.set(13 + 8 * (3 - d.decimals));  // points 1-3: bits 13, 21, 29

    if (d.overload) {
        bits.setPattern(1, kBlankPattern);
        bits.setPattern(2, kSegmentPatterns[0]);
        bits.setPattern(3, kLPattern);
        bits.setPattern(4, kBlankPattern);
    } else {
        for (int k = 1; k <= 4; ++k) {
            bits.setPattern(k, kSegmentPatterns[static_cast<std::size_t>(
                                   d.digits[static_cast<std::size_t>(k - 1)] - '0')]);
        }
    }

    bytes.clear();
    for (int k = 1; k <= 14; ++k) {
        unsigned nibble = 0;
        for (int b = 0; b < 4; ++b) {
            if (bits.on[static_cast<std::size_t>((k - 1) * 4 + 1 + b)]) nibble |= 8u >> b;
        }
        bytes.push_back(static_cast<char>((static_cast<unsigned>(k) << 4) | nibble));
    }
    return true;
}

}  // namespace

int displayDigits(Family family) { return family == Family::Kelt ? 5 : 4; }

std::vector<DisplayScale> displayScales(Family family) {
    std::vector<DisplayScale> out;
    auto add = [&out](std::string unit, int decimals) {
        DisplayScale s{std::move(unit), decimals};
        if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(std::move(s));
    };
    switch (family) {
    case Family::Kelt:
        for (const ScaleCode& c : kKeltCodes) add(c.unit, c.decimals);
        break;
    case Family::Brio:
        for (const ScaleCode& c : kBrioCodes) add(c.unit, c.decimals);
        break;
    case Family::Sorn:
        for (const char* unit : {"", "V", "mV", "A", "mA", "uA", "*", "k*", "M*", "F", "nF", "uF",
                                 "mF", "Hz", "kHz", "MHz", "%", "#"}) {
            for (int decimals = 0; decimals <= 3; ++decimals) add(unit, decimals);
        }
        break;
    }
    return out;
}

bool encodeFrame(Family family, const MeterDisplay& display, std::string& bytes,
                 std::string* error) {
    switch (family) {
    case Family::Kelt: return encodeKelt(display, bytes, error);
    case Family::Sorn: return encodeSorn(display, bytes, error);
    case Family::Brio: return encodeBrio(display, bytes, error);
    }
    return fail(error, "unknown family");
}

std::string displayValueText([[maybe_unused]] Family family, const MeterDisplay& display,
                             std::string_view decimalSeparator) {
    std::string text = display.negative ? "-" : "";
    if (display.overload) {
        // The overload display keeps the range's point: before the "0" for the two leftmost
        // points, between "0" and "L" for the next, after the "L" for the last.
        // Point k (0-3) is the one after the k-th digit label: 4 - decimals on both panels.
        const int point = display.decimals > 0 ? 4 - display.decimals : -1;
        if (point == 0 || point == 1) text += decimalSeparator;
        text += '0';
        if (point == 2) text += decimalSeparator;
        text += 'L';
        if (point == 3) text += decimalSeparator;
        return text;
    }
    const std::size_t n = display.digits.size();
    const std::size_t decimals = static_cast<std::size_t>(std::max(display.decimals, 0));
    for (std::size_t i = 0; i < n; ++i) {
        if (decimals > 0 && i == n - decimals) text += decimalSeparator;
        text += display.digits[i];
    }
    return text;
}

}  // namespace dmm
