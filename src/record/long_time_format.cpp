// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "long_time_format.h"

#include <langinfo.h>

#include <cstring>
#include <ctime>

#include "clock_time.h"

namespace dmm {

namespace {

// Drops %Z and %z (and the blank before them) from a format.
std::string withoutTimeZone(std::string_view fmt) {
    std::string out;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] == '%' && i + 1 < fmt.size()) {
            const char c = fmt[i + 1];
            if (c == 'Z' || c == 'z') {
                while (!out.empty() && out.back() == ' ') out.pop_back();
                ++i;
                continue;
            }
            out.push_back('%');
            out.push_back(c);
            ++i;
            continue;
        }
        out.push_back(fmt[i]);
    }
    return out;
}

void appendTwo(std::string& out, int v, char pad) {
    out.push_back(v >= 10 ? static_cast<char>('0' + v / 10) : pad);
    out.push_back(static_cast<char>('0' + v % 10));
}

std::tm tmOf(std::int32_t ms) {
    std::tm t{};
    const int s = ms / 1000;
    t.tm_hour = s / 3600;
    t.tm_min = s / 60 % 60;
    t.tm_sec = s % 60;
    t.tm_year = 100;
    t.tm_mday = 1;
    return t;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

std::optional<std::int32_t> parseWith(const char* fmt, const std::string& text) {
    std::tm t{};
    t.tm_hour = t.tm_min = t.tm_sec = 0;
    const char* end = strptime(text.c_str(), fmt, &t);
    if (end == nullptr || *end != '\0') return std::nullopt;
    if (t.tm_hour < 0 || t.tm_hour > 23 || t.tm_min < 0 || t.tm_min > 59 || t.tm_sec < 0 ||
        t.tm_sec > 59) {
        return std::nullopt;
    }
    return (t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec) * 1000;
}

}  // namespace

LongTimeFormat LongTimeFormat::fromLocale() {
    LongTimeFormat f(nl_langinfo(T_FMT));
    f.am_ = nl_langinfo(AM_STR);
    f.pm_ = nl_langinfo(PM_STR);
    return f;
}

LongTimeFormat::LongTimeFormat(std::string_view strftimeFormat)
    : pattern_(withoutTimeZone(strftimeFormat)) {
    if (pattern_.empty()) pattern_ = "%H:%M:%S";
    am_ = nl_langinfo(AM_STR);
    pm_ = nl_langinfo(PM_STR);
    compile(pattern_, 0);
    hhmmss_ = !viaStrftime_ && pieces_.size() == 5 && pieces_[0].token == Token::Hour24 &&
              pieces_[1].token == Token::Literal && pieces_[1].literal == ":" &&
              pieces_[2].token == Token::Minute && pieces_[3].token == Token::Literal &&
              pieces_[3].literal == ":" && pieces_[4].token == Token::Second;
}

void LongTimeFormat::compile(std::string_view fmt, int depth) {
    auto literal = [this](char c) {
        if (pieces_.empty() || pieces_.back().token != Token::Literal) {
            pieces_.push_back({Token::Literal, 0, {}});
        }
        pieces_.back().literal.push_back(c);
    };
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') {
            literal(fmt[i]);
            continue;
        }
        if (i + 1 >= fmt.size()) {
            viaStrftime_ = true;
            return;
        }
        char c = fmt[++i];
        switch (c) {
            case 'H': pieces_.push_back({Token::Hour24, '0', {}}); break;
            case 'k': pieces_.push_back({Token::Hour24, ' ', {}}); break;
            case 'I': pieces_.push_back({Token::Hour12, '0', {}}); break;
            case 'l': pieces_.push_back({Token::Hour12, ' ', {}}); break;
            case 'M': pieces_.push_back({Token::Minute, '0', {}}); break;
            case 'S': pieces_.push_back({Token::Second, '0', {}}); break;
            case 'p': pieces_.push_back({Token::AmPm, 0, {}}); break;
            case '%': literal('%'); break;
            case 'T': compile("%H:%M:%S", depth + 1); break;
            case 'R': compile("%H:%M", depth + 1); break;
            case 'r':
                if (depth > 0) {
                    viaStrftime_ = true;
                } else {
                    compile(nl_langinfo(T_FMT_AMPM), depth + 1);
                }
                break;
            default: viaStrftime_ = true; break;
        }
    }
}

void LongTimeFormat::appendTo(std::string& out, std::int32_t ms) const {
    if (viaStrftime_) {
        const std::tm t = tmOf(ms);
        char buf[128];
        const std::size_t n = std::strftime(buf, sizeof buf, pattern_.c_str(), &t);
        out.append(buf, n);
        return;
    }
    const int s = ms / 1000;
    const int h = s / 3600;
    for (const Piece& p : pieces_) {
        switch (p.token) {
            case Token::Literal: out.append(p.literal); break;
            case Token::Hour24: appendTwo(out, h, p.pad); break;
            case Token::Hour12: appendTwo(out, h % 12 == 0 ? 12 : h % 12, p.pad); break;
            case Token::Minute: appendTwo(out, s / 60 % 60, p.pad); break;
            case Token::Second: appendTwo(out, s % 60, p.pad); break;
            case Token::AmPm: out.append(h < 12 ? am_ : pm_); break;
        }
    }
}

std::string LongTimeFormat::format(std::int32_t ms) const {
    std::string s;
    appendTo(s, ms);
    return s;
}

std::optional<std::int32_t> LongTimeFormat::parse(std::string_view text) const {
    const std::string_view trimmed = trimBlanks(text);
    // In a 24-hour hours:minutes:seconds format, the form this program writes (two digits
    // each) is read without the C library; whatever else the text is goes the long way.
    if (hhmmss_ && trimmed.size() == 8 && trimmed[2] == ':' && trimmed[5] == ':') {
        if (const std::int32_t ms = readClockTime(trimmed); ms >= 0) return ms;
    }
    const std::string t(trimmed);
    if (t.empty()) return std::nullopt;
    if (auto v = parseWith(pattern_.c_str(), t)) return v;
    if (auto v = parseWith("%H:%M:%S", t)) return v;
    return parseWith("%H:%M", t);
}

}  // namespace dmm
