#include "reading_message.h"

#include <array>
#include <cstdio>
#include <ctime>

#include "flat_json.h"

namespace dmm {

namespace {

// The units a meter shows, in LCD glyphs, with the text a reader expects.
struct BaseUnit {
    std::string_view glyphs;
    std::string_view shown;
};
constexpr std::array<BaseUnit, 10> kBaseUnits = {{
    {"V", "V"}, {"A", "A"}, {"*", "\u03A9"}, {"F", "F"}, {"Hz", "Hz"}, {"#", "\u00B0C"},
    {"?", "\u00B0F"}, {"%", "%"}, {"RPM", "RPM"}, {"W", "W"},
}};

struct Prefix {
    char glyph;
    std::string_view shown;
    int powerOfTen;
};
constexpr std::array<Prefix, 5> kPrefixes = {{
    {'n', "n", -9}, {'u', "\u00B5", -6}, {'m', "m", -3}, {'k', "k", 3}, {'M', "M", 6},
}};

const BaseUnit* findBase(std::string_view glyphs) {
    for (const BaseUnit& b : kBaseUnits) {
        if (b.glyphs == glyphs) return &b;
    }
    return nullptr;
}

// Glyphs read one by one, for a text that is no known unit.
std::string shownGlyphs(std::string_view glyphs) {
    std::string out;
    for (char c : glyphs) {
        const BaseUnit* b = findBase(std::string_view(&c, 1));
        if (c == 'u') {
            out += "\u00B5";
        } else if (b) {
            out += b->shown;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void appendJsonString(std::string& out, std::string_view text) {
    out.push_back('"');
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(ch);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
}

void appendField(std::string& out, std::string_view name) {
    if (out.size() > 1) out.push_back(',');
    appendJsonString(out, name);
    out.push_back(':');
}

}  // namespace

ReadableUnit readableUnit(std::string_view unitText) {
    // The diode and continuity glyphs mark the function, not the unit.
    std::string glyphs;
    for (char c : unitText) {
        if (c != ')' && c != '&') glyphs.push_back(c);
    }
    if (const BaseUnit* b = findBase(glyphs)) {
        return {std::string(b->shown), std::string(b->shown), 0};
    }
    if (glyphs.size() > 1) {
        for (const Prefix& p : kPrefixes) {
            if (glyphs.front() != p.glyph) continue;
            if (const BaseUnit* b = findBase(std::string_view(glyphs).substr(1))) {
                return {std::string(p.shown) + std::string(b->shown), std::string(b->shown),
                        p.powerOfTen};
            }
        }
    }
    const std::string shown = shownGlyphs(glyphs);
    return {shown, shown, 0};
}

std::optional<std::string> decimalNumber(std::string_view valueText, std::string_view separator,
                                         int powerOfTen) {
    std::string_view text = valueText;
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::string digits;
    std::optional<std::size_t> point;  // digits before the separator
    while (!text.empty()) {
        if (text.front() >= '0' && text.front() <= '9') {
            digits.push_back(text.front());
            text.remove_prefix(1);
        } else if (!separator.empty() && !point && text.substr(0, separator.size()) == separator) {
            point = digits.size();
            text.remove_prefix(separator.size());
        } else {
            return std::nullopt;  // the overload glyph, or anything else that is no number
        }
    }
    if (digits.empty()) return std::nullopt;
    // The point moved by the power of ten; digits padded with zeros where it moves past them.
    long long at = static_cast<long long>(point.value_or(digits.size())) + powerOfTen;
    if (at < 0) {
        digits.insert(0, static_cast<std::size_t>(-at), '0');
        at = 0;
    }
    if (at > static_cast<long long>(digits.size())) digits.append(at - digits.size(), '0');
    std::string whole = digits.substr(0, static_cast<std::size_t>(at));
    const std::string fraction = digits.substr(static_cast<std::size_t>(at));
    const std::size_t firstDigit = whole.find_first_not_of('0');
    whole = firstDigit == std::string::npos ? "0" : whole.substr(firstDigit);
    std::string number = negative ? "-" : "";
    number += whole;
    if (!fraction.empty()) number += "." + fraction;
    return number;
}

std::string utcTimeText(std::int64_t utcMs) {
    std::int64_t seconds = utcMs / 1000;
    std::int64_t ms = utcMs % 1000;
    if (ms < 0) {
        ms += 1000;
        --seconds;
    }
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
    std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms));
    return text;
}

std::optional<std::int64_t> utcTimeFromText(std::string_view t) {
    // YYYY-MM-DDTHH:MM:SS[.mmm]Z
    const auto digitsAt = [t](std::size_t at, std::size_t n, int& out) {
        if (at + n > t.size()) return false;
        out = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (t[i] < '0' || t[i] > '9') return false;
            out = out * 10 + (t[i] - '0');
        }
        return true;
    };
    int year, month, day, hour, minute, second, ms = 0;
    if (!digitsAt(0, 4, year) || t.size() < 20 || t[4] != '-' || !digitsAt(5, 2, month) ||
        t[7] != '-' || !digitsAt(8, 2, day) || t[10] != 'T' || !digitsAt(11, 2, hour) ||
        t[13] != ':' || !digitsAt(14, 2, minute) || t[16] != ':' || !digitsAt(17, 2, second)) {
        return std::nullopt;
    }
    std::size_t end = 19;
    if (t[19] == '.') {
        if (!digitsAt(20, 3, ms)) return std::nullopt;
        end = 23;
    }
    if (t.size() != end + 1 || t[end] != 'Z') return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60) {
        return std::nullopt;
    }
    // Days from 1970-01-01 of a proleptic Gregorian date.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
    return ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000LL + ms;
}

std::optional<ReceivedReading> readReadingMessage(std::string_view json, std::string* error) {
    const auto fail = [error](const char* why) -> std::optional<ReceivedReading> {
        if (error) *error = why;
        return std::nullopt;
    };
    const std::optional<FlatJsonObject> object = FlatJsonReader(json).object();
    if (!object) return fail("not a JSON object of plain values");
    const auto field = [&](const char* name, FlatJsonValue::Kind kind) -> const std::string* {
        const auto it = object->find(name);
        return it != object->end() && it->second.kind == kind ? &it->second.text : nullptr;
    };
    ReceivedReading r;
    const std::string* time = field("time", FlatJsonValue::Kind::String);
    const std::optional<std::int64_t> utc = time ? utcTimeFromText(*time) : std::nullopt;
    if (!utc) return fail("no time of the form 2026-12-10T05:02:57.123Z");
    r.utcMs = *utc;
    const std::string* seq = field("seq", FlatJsonValue::Kind::Number);
    if (!seq || seq->empty() || seq->size() > 19 ||
        seq->find_first_not_of("0123456789") != std::string::npos || *seq == "0") {
        return fail("no seq counting from 1");
    }
    r.seq = std::stoull(*seq);
    const std::string* family = field("family", FlatJsonValue::Kind::String);
    const std::optional<Family> f = family ? parseFamily(*family) : std::nullopt;
    if (!f) return fail("no family kelt, sorn or brio");
    r.family = *f;
    const std::string* frame = field("frame", FlatJsonValue::Kind::String);
    if (!frame || frame->empty() || frame->size() > kMaxMessageFrame ||
        frame->find_first_not_of("0123456789ABCDEF") != std::string::npos) {
        return fail("no frame of hexadecimal digits");
    }
    r.frame = *frame;
    return r;
}

bool ReadingSequence::take(std::uint64_t seq, std::int64_t utcMs) {
    // Seq 1 of another time is a publisher that started again without a word.
    if (seq == 1 && last_ > 0 && utcMs != firstTime_) last_ = 0;
    if (seq <= last_) {
        ++dropped_;
        return false;
    }
    if (last_ > 0) lost_ += seq - last_ - 1;
    if (seq == 1) firstTime_ = utcMs;
    last_ = seq;
    ++taken_;
    return true;
}

std::string readingJson(const ReadingMessage& m) {
    static const MeterReading kNoReading;
    const MeterReading& r = m.reading ? *m.reading : kNoReading;
    const ReadableUnit unit = readableUnit(r.unitText);
    const auto number = [&](int powerOfTen) {
        return decimalNumber(r.valueText, m.decimalSeparator, powerOfTen).value_or("null");
    };
    std::string out = "{";
    appendField(out, "time");
    appendJsonString(out, utcTimeText(m.utcMs));
    appendField(out, "seq");
    out += std::to_string(m.seq);
    appendField(out, "family");
    appendJsonString(out, familyName(m.family));
    appendField(out, "frame");
    appendJsonString(out, m.frame);
    appendField(out, "text");
    appendJsonString(out, r.valueText);
    appendField(out, "value");
    out += number(0);
    appendField(out, "unit");
    appendJsonString(out, unit.shown);
    appendField(out, "coupling");
    appendJsonString(out, r.couplingText);
    appendField(out, "range");
    appendJsonString(out, r.rangeText);
    appendField(out, "overload");
    out += r.valueText.find('L') != std::string::npos ? "true" : "false";
    appendField(out, "base_value");
    out += number(unit.powerOfTen);
    appendField(out, "base_unit");
    appendJsonString(out, unit.base);
    out.push_back('}');
    return out;
}

}  // namespace dmm
