// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dmm {

// Every label and shape of the meter's LCD, in the order of the element table. The table keeps
// each element's name ("LcdDa", "LCDohm", ...), which the decoded lines use to list the shown
// ones, and its caption. Where and how an element is drawn is the view's business.
enum class LcdElement : std::uint8_t {
    Minus,                                    // the reading's minus sign
    Digit0, Digit1, Digit2, Digit3, Digit4,   // digits left to right; Digit0 is Kelt's fifth
    Point0, Point1, Point2, Point3,           // decimal point after Digit0 .. Digit3
    Auto,                                     // auto range
    Rs232Left, Rs232Right,                    // "RS" and "232C" of the RS-232C annunciator
    AcPlusDc,                                 // the "AC+DC" label, set by no decoder
    Percent, RecordMode, Ac,
    AcDcPlusSign,                             // the "+" between AC and DC
    Dc,
    TrueRmsT, TrueRms,                        // "T" and "RMS" of the true-RMS annunciator
    Rpm, Hold, Battery,
    OpenParenthesis,                          // the "(" glyph, set by no decoder
    Celsius, Fahrenheit, Diode, Continuity,
    Kilo, Mega, Ohm, Hertz, Micro, Milli, Nano, Ampere, Farad, Volt, Watt,
    Count
};

constexpr std::size_t kLcdElementCount = static_cast<std::size_t>(LcdElement::Count);

struct LcdElementInfo {
    LcdElement id;
    std::string_view name;     // the element's name, as the decoded lines list the shown ones
    std::string_view caption;  // the caption at start (digits change theirs at run time)
    bool shownAtStart;
};

// State of the virtual LCD: which elements are shown and what the five digit labels read.
// Only the digit labels change captions; all other captions are those of the layout.
// Plain value type, cheap to copy, so a decoder can build the next state before committing it.
class LcdPanel {
public:
    LcdPanel();  // the layout's start state

    static const LcdElementInfo& info(LcdElement e);
    static const std::array<LcdElementInfo, kLcdElementCount>& table();
    // nullptr when no element has that name.
    static const LcdElementInfo* find(std::string_view name);

    bool shown(LcdElement e) const { return (shown_ >> index(e)) & 1u; }
    void show(LcdElement e) { shown_ |= bit(e); }
    void hide(LcdElement e) { shown_ &= ~bit(e); }
    void setShown(LcdElement e, bool on) { on ? show(e) : hide(e); }
    std::uint64_t shownMask() const { return shown_; }

    // Caption as painted: a digit label's current text (one character or empty), else the
    // layout caption.
    std::string_view caption(LcdElement e) const;
    // Digit labels only (Digit0 .. Digit4); '\0' makes the label blank.
    void setDigit(LcdElement e, char c);
    char digit(LcdElement e) const;

    // Names of the shown elements in table order, separated by single blanks.
    std::string shownNames() const;

    bool operator==(const LcdPanel&) const = default;

private:
    static constexpr unsigned index(LcdElement e) { return static_cast<unsigned>(e); }
    static constexpr std::uint64_t bit(LcdElement e) { return std::uint64_t{1} << index(e); }
    static int digitSlot(LcdElement e);

    std::uint64_t shown_ = 0;
    std::array<char, 5> digits_{};  // Digit0 .. Digit4
};

}  // namespace dmm
