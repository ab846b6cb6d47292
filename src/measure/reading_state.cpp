// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading_state.h"

namespace dmm {

std::optional<Family> parseFamily(std::string_view name) {
    if (name == "kelt") return Family::Kelt;
    if (name == "sorn") return Family::Sorn;
    if (name == "brio") return Family::Brio;
    return std::nullopt;
}

std::string_view familyName(Family f) {
    switch (f) {
    case Family::Kelt: return "kelt";
    case Family::Sorn: return "sorn";
    case Family::Brio: return "brio";
    }
    return "?";
}

ReadingState ReadingState::atStartUp(std::string_view localeDecimal, std::int32_t timeOfDayMs) {
    ReadingState s;
    s.applyCountClass(standardCountClass());
    s.lastUnitText = kStartUnitText;
    s.localeDecimal = localeDecimal;
    s.readingTimeMs = timeOfDayMs;
    return s;
}

void ReadingState::applyCountClass(const CountClass& cc) {
    countClass = cc;
    const auto fs = static_cast<float>(cc.fullScale);
    upperLimit = fs + 2.0f;
    lowerLimit = -(fs + 2.0f);
    runningMax = -(fs + 1.0f);
    runningMin = fs + 1.0f;
}

}  // namespace dmm
