#include "text_codec.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace dmm {

namespace {

// Code points of the bytes 0x80..0x9F.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t cp1252CodePoint(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) return kHighControls[b - 0x80];
    return b;
}

int cp1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
    }
    return -1;
}

// Decodes one UTF-8 sequence at `s[i]`. Returns its length, or 0 when it is not valid
// (overlong forms, surrogates and values past U+10FFFF are not valid).
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - i < len) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

bool isAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void appendCp1252AsUtf8(std::string& out, std::string_view bytes) {
    if (isAscii(bytes)) {
        out.append(bytes);
        return;
    }
    for (char c : bytes) appendUtf8(out, cp1252CodePoint(static_cast<unsigned char>(c)));
}

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    appendCp1252AsUtf8(out, bytes);
    return out;
}

void appendUtf8AsCp1252(std::string& out, std::string_view utf8, Unmapped unmapped) {
    if (isAscii(utf8)) {
        out.append(utf8);
        return;
    }
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(utf8, i, cp);
        if (len == 0) {
            out.push_back('?');
            ++i;
            continue;
        }
        if (const int b = cp1252Byte(cp); b >= 0) {
            out.push_back(static_cast<char>(b));
        } else if (unmapped == Unmapped::Reference) {
            out.append("&#").append(std::to_string(static_cast<std::uint32_t>(cp))).push_back(';');
        } else {
            out.push_back('?');
        }
        i += len;
    }
}

std::string utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    appendUtf8AsCp1252(out, utf8);
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(bytes, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

namespace {

// The length of the sequence a lead byte starts, 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char b0) {
    if (b0 < 0x80) return 1;
    if ((b0 & 0xE0) == 0xC0) return 2;
    if ((b0 & 0xF0) == 0xE0) return 3;
    if ((b0 & 0xF8) == 0xF0) return 4;
    return 0;
}

}  // namespace

bool Utf8Check::feed(std::string_view bytes) {
    if (!valid_) return false;
    std::size_t i = 0;
    char32_t cp = 0;
    if (heldCount_ > 0) {
        const std::size_t need = sequenceLength(held_[0]);
        while (heldCount_ < need && i < bytes.size())
            held_[heldCount_++] = static_cast<unsigned char>(bytes[i++]);
        if (heldCount_ < need) return true;
        const std::string_view seq(reinterpret_cast<const char*>(held_), heldCount_);
        if (decodeUtf8(seq, 0, cp) != need) return fail();
        heldCount_ = 0;
    }
    while (i < bytes.size()) {
        // Plain ASCII, the usual case, eight bytes at a time.
        while (i + 8 <= bytes.size()) {
            std::uint64_t w;
            std::memcpy(&w, bytes.data() + i, 8);
            if (w & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= bytes.size()) break;
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            ++i;
            continue;
        }
        const std::size_t need = sequenceLength(b0);
        if (need == 0) return fail();
        if (bytes.size() - i < need) {
            // Cut at the end of the piece: the rest comes with the next one. The bytes held
            // must still be able to start a sequence.
            for (std::size_t k = i + 1; k < bytes.size(); ++k) {
                if ((static_cast<unsigned char>(bytes[k]) & 0xC0) != 0x80) return fail();
            }
            heldCount_ = bytes.size() - i;
            std::memcpy(held_, bytes.data() + i, heldCount_);
            break;
        }
        if (decodeUtf8(bytes, i, cp) == 0) return fail();
        i += need;
    }
    return true;
}

std::string_view firstChars(std::string_view utf8, std::size_t count) {
    if (utf8.size() <= count) return utf8;
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < utf8.size(); ++n) {
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(utf8, i, cp);
        i += len == 0 ? 1 : len;
    }
    return utf8.substr(0, i);
}

std::string printable(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    auto escape = [&out](unsigned char b) {
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\x";
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            if (b < 0x20 || b == 0x7F) {
                escape(b);
            } else {
                out.push_back(static_cast<char>(b));
            }
            ++i;
            continue;
        }
        const std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        const std::string_view seq = bytes.substr(i, n);
        const bool c1 = b == 0xC2 && seq.size() > 1 && static_cast<unsigned char>(seq[1]) < 0xA0;
        if (seq.size() == n && isValidUtf8(seq) && !c1) {
            out.append(seq);
            i += n;
        } else {
            escape(b);
            ++i;
        }
    }
    return out;
}

}  // namespace dmm
