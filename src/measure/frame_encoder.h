// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reading_state.h"

namespace dmm {

// What a meter's display shows, in the terms the decoders report it. The encoder turns it into
// the bytes a meter of a family sends for that display; decoding those bytes gives back the
// same value text, unit, coupling, range mode and value.
struct MeterDisplay {
    std::string digits;     // one '0'..'9' per digit position, left to right (displayDigits)
    int decimals = 0;       // digits after the lit decimal point; 0 = no point lit
    bool negative = false;  // minus sign lit
    bool overload = false;  // the overload display ("0L"); digits are not sent, the point is
    std::string unit;       // unit text as decoded: "V", "mV", "k*", "kHz", "uA", "#", ...
    std::string coupling;   // "DC", "AC", "AC+DC" or empty
    bool autoRange = false; // AUTO annunciator lit
};

// Number of digit positions of a family's display: 5 for Kelt, 4 for Sorn and Brio.
int displayDigits(Family family);

// A unit text with a decimal point position that a family's frames can carry.
struct DisplayScale {
    std::string unit;
    int decimals;
    bool operator==(const DisplayScale&) const = default;
};

// Every unit/point combination the encoder can produce for a family, without duplicates.
// Sorn frames carry their units as free annunciator bits; its list holds the common units
// with every point position.
std::vector<DisplayScale> displayScales(Family family);

// The bytes of one frame as the meter sends them, with the leading line feed of Kelt and Brio
// frames (the end of the previous frame on the line), so that a stream of encoded frames can
// be written back to back and every frame of it passes the framing test.
// Returns false and leaves a reason in *error when the family cannot show this display (a
// unit or point it has no code for, the wrong number of digits, a minus sign on a Kelt
// frequency, a coupling the family cannot show, ...).
bool encodeFrame(Family family, const MeterDisplay& display, std::string& bytes,
                 std::string* error = nullptr);

// The display text of a reading ("-12.345", "3.214"), as the decoders build the value text:
// the sign, then the digits with `decimalSeparator` before the last `decimals` of them.
// An overload is "0L" with the sign and the lit separator in the places the meter shows them.
std::string displayValueText(Family family, const MeterDisplay& display,
                             std::string_view decimalSeparator);

}  // namespace dmm
