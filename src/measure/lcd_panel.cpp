// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lcd_panel.h"

#include <stdexcept>

namespace dmm {

namespace {

using E = LcdElement;

// id, name, caption, shown at start
constexpr std::array<LcdElementInfo, kLcdElementCount> kTable{{
    {E::Minus, "LcdFH", "-", true},
    {E::Digit0, "LcdD0", "3", true},
    {E::Digit1, "LcdDa", "9", true},
    {E::Digit2, "LcdDb", "9", true},
    {E::Digit3, "LcdDc", "9", true},
    {E::Digit4, "LcdDd", "9", true},
    {E::Point0, "LcdP0", "", false},
    {E::Point1, "LcdP1", "", false},
    {E::Point2, "LcdP2", "", false},
    {E::Point3, "LcdP3", "", false},
    {E::Auto, "LcdAuto", "AUTO", false},
    {E::Rs232Left, "LCDRS", "RS", false},
    {E::Rs232Right, "LCD232C", "232C", false},
    {E::AcPlusDc, "LcdACDC", "AC+DC", false},
    {E::Percent, "LCDBF", "%", false},
    {E::RecordMode, "LCDRec", "!", false},
    {E::Ac, "LcdAC", "AC", false},
    {E::AcDcPlusSign, "LCDJa", "+", false},
    {E::Dc, "LcdDc1", "DC", false},
    {E::TrueRmsT, "LCDTRMST", "T", false},
    {E::TrueRms, "LCDTRMS", "RMS", false},
    {E::Rpm, "LcdRPM", "RPM", false},
    {E::Hold, "LCDHold", "\"", false},
    {E::Battery, "LCDBATT", "$", false},
    {E::OpenParenthesis, "LCDBT", "(", false},
    {E::Celsius, "LCDCS", "#", false},
    {E::Fahrenheit, "LCDFS", "?", false},
    {E::Diode, "LCDDI", ")", false},
    {E::Continuity, "LCDFm", "&", false},
    {E::Kilo, "LCDk", "k", false},
    {E::Mega, "LCDM1", "M", false},
    {E::Ohm, "LCDohm", "*", false},
    {E::Hertz, "LCDHz", "Hz", false},
    {E::Micro, "LCDu", "+", false},
    {E::Milli, "Lcdm", "m", false},
    {E::Nano, "LCDn", "n", false},
    {E::Ampere, "LCDA", "A", false},
    {E::Farad, "LCDF", "F", false},
    {E::Volt, "LcdV", "V", false},
    {E::Watt, "lcdW", "W", false},
}};

constexpr bool tableInOrder() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (static_cast<std::size_t>(kTable[i].id) != i) return false;
    }
    return true;
}
static_assert(tableInOrder(), "element table must follow the LcdElement order");
static_assert(kLcdElementCount <= 64, "shown mask is 64 bits");

}  // namespace

LcdPanel::LcdPanel() {
    for (const LcdElementInfo& e : kTable) {
        if (e.shownAtStart) show(e.id);
    }
    for (LcdElement d : {E::Digit0, E::Digit1, E::Digit2, E::Digit3, E::Digit4}) {
        digits_[static_cast<std::size_t>(digitSlot(d))] = info(d).caption[0];
    }
}

const LcdElementInfo& LcdPanel::info(LcdElement e) { return kTable[index(e)]; }

const std::array<LcdElementInfo, kLcdElementCount>& LcdPanel::table() { return kTable; }

const LcdElementInfo* LcdPanel::find(std::string_view name) {
    for (const LcdElementInfo& e : kTable) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

int LcdPanel::digitSlot(LcdElement e) {
    switch (e) {
    case E::Digit0: return 0;
    case E::Digit1: return 1;
    case E::Digit2: return 2;
    case E::Digit3: return 3;
    case E::Digit4: return 4;
    default: return -1;
    }
}

std::string_view LcdPanel::caption(LcdElement e) const {
    const int slot = digitSlot(e);
    if (slot < 0) return info(e).caption;
    const char& c = digits_[static_cast<std::size_t>(slot)];
    return std::string_view(&c, c ? 1 : 0);
}

void LcdPanel::setDigit(LcdElement e, char c) {
    const int slot = digitSlot(e);
    if (slot < 0) throw std::invalid_argument("not a digit label");
    digits_[static_cast<std::size_t>(slot)] = c;
}

std::string LcdPanel::shownNames() const {
    std::string names;
    for (const LcdElementInfo& e : kTable) {
        if (!shown(e.id)) continue;
        if (!names.empty()) names.push_back(' ');
        names.append(e.name);
    }
    return names;
}

char LcdPanel::digit(LcdElement e) const {
    const int slot = digitSlot(e);
    return slot < 0 ? '\0' : digits_[static_cast<std::size_t>(slot)];
}

}  // namespace dmm
