// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dmm {

// The locale's long time format: hours, minutes and seconds with the locale's separators and,
// where the locale uses one, its 12-hour marker; never milliseconds, never a time zone. Text
// data files carry times in this form, so a file loads back in the locale that wrote it.
class LongTimeFormat {
public:
    // The C library's time format of the current LC_TIME locale (nl_langinfo(T_FMT)).
    static LongTimeFormat fromLocale();

    // A strftime-style format, e.g. "%H:%M:%S" or "%I:%M:%S %p". Time-zone conversions are
    // removed.
    explicit LongTimeFormat(std::string_view strftimeFormat);

    const std::string& pattern() const { return pattern_; }

    // Appends the time of day `ms` (milliseconds since midnight) in this format.
    void appendTo(std::string& out, std::int32_t ms) const;
    std::string format(std::int32_t ms) const;

    // A time of day in this format, or in the 24-hour forms H:MM:SS and H:MM; leading and
    // trailing blanks are allowed. Milliseconds since midnight, or nothing.
    std::optional<std::int32_t> parse(std::string_view text) const;

private:
    enum class Token : std::uint8_t { Literal, Hour24, Hour12, Minute, Second, AmPm };
    struct Piece {
        Token token;
        char pad;  // '0' or ' ' for numbers
        std::string literal;
    };
    void compile(std::string_view fmt, int depth);

    std::string pattern_;
    std::vector<Piece> pieces_;
    bool viaStrftime_ = false;  // a conversion the fast path does not know
    bool hhmmss_ = false;       // the format is "%H:%M:%S", two digits each with colons
    std::string am_ = "AM";
    std::string pm_ = "PM";
};

}  // namespace dmm
