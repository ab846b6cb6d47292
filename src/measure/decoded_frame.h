// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lcd_panel.h"
#include "meter_reading.h"
#include "reading_state.h"

namespace dmm {

// Everything one decoder worked out from one FrameText, before any of it is committed.
// The pipeline checks that every number it must form can be formed, and only then applies the
// frame; a frame that fails leaves no trace but a counter.
struct DecodedFrame {
    Family family = Family::Kelt;
    LcdPanel panel;         // the panel after the decoder's own steps
    MeterReading reading;   // texts set; value filled in by the pipeline
    // Digit texts, '\0' for a blank digit; d0 is used by Kelt only.
    char d0 = 0, da = 0, db = 0, dc = 0, dd = 0;
    bool negative = false;  // SignText is "-"
    bool brioFunctionOne = false;  // Brio: FrameText position 7 is "1" (bar 25 on overload)
    bool frequencyMode = false;    // Sorn: the hertz annunciator is on

    void reset(Family f, const LcdPanel& current) {
        family = f;
        panel = current;
        reading.valueText.clear();
        reading.couplingText.clear();
        reading.unitText.clear();
        reading.rangeText.clear();
        reading.value = 0.0f;
        d0 = da = db = dc = dd = 0;
        negative = false;
        brioFunctionOne = false;
        frequencyMode = false;
    }
};

// Appends the value text as the display shows it: SignText, then the digits with the separator
// after each lit point (sep[i] follows the digit before point i), and "L" for the "@" glyph.
// d0 and sep[0] are empty for the four-digit families.
inline void appendValueText(std::string& out, const DecodedFrame& f,
                            const std::string_view (&sep)[4]) {
    const auto put = [&out](char c) {
        if (c) out.push_back(c == '@' ? 'L' : c);
    };
    if (f.negative) out.push_back('-');
    put(f.d0);
    out.append(sep[0]);
    put(f.da);
    out.append(sep[1]);
    put(f.db);
    out.append(sep[2]);
    put(f.dc);
    out.append(sep[3]);
    put(f.dd);
}

// Value of one upper-case hexadecimal digit character, or -1.
constexpr int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Value of a decimal digit character, or -1 (a letter where a number is needed).
constexpr int decimalValue(char c) { return (c >= '0' && c <= '9') ? c - '0' : -1; }

// The decoders: fill `out` from `frame`; false when the frame cannot be decoded. `separator`
// is the locale's decimal separator.
bool decodeKelt(std::string_view frame, std::string_view separator, DecodedFrame& out);
bool decodeSorn(std::string_view frame, std::string_view separator, const MeterSettings& settings,
                DecodedFrame& out);
bool decodeBrio(std::string_view frame, std::string_view separator, const MeterSettings& settings,
                DecodedFrame& out);

}  // namespace dmm
