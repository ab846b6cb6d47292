#pragma once

// A reader of flat JSON objects ({"name": value, ...} whose values are strings, numbers, true,
// false or null), strict to the JSON grammar: the reading messages of other programs are read
// with it (and the tests check the program's own with it). Nested objects and arrays are refused.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace dmm {

struct FlatJsonValue {
    enum class Kind { String, Number, True, False, Null } kind = Kind::Null;
    std::string text;  // a string's value (escapes resolved, \u as UTF-8), a number's text
};
using FlatJsonObject = std::map<std::string, FlatJsonValue>;

class FlatJsonReader {
public:
    explicit FlatJsonReader(std::string_view text) : s_(text) {}

    std::optional<FlatJsonObject> object() {
        FlatJsonObject out;
        if (!take('{')) return std::nullopt;
        if (!take('}')) {
            do {
                std::string name;
                FlatJsonValue value;
                if (!string(name) || !take(':') || !this->value(value)) return std::nullopt;
                if (!out.emplace(std::move(name), std::move(value)).second) return std::nullopt;
            } while (take(','));
            if (!take('}')) return std::nullopt;
        }
        blanks();
        if (i_ != s_.size()) return std::nullopt;
        return out;
    }

private:
    void blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' ||
                                  s_[i_] == '\r')) {
            ++i_;
        }
    }
    bool take(char c) {
        blanks();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool word(std::string_view w) {
        if (s_.substr(i_, w.size()) != w) return false;
        i_ += w.size();
        return true;
    }
    static int hex(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }
    bool string(std::string& out) {
        if (!take('"')) return false;
        while (i_ < s_.size()) {
            const auto c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') {
                out.push_back(static_cast<char>(c));
                continue;
            }
            if (i_ >= s_.size()) return false;
            const char e = s_[i_++];
            switch (e) {
            case '"': case '\\': case '/': out.push_back(e); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'n': out.push_back('\n'); break;
            case 'r': out.push_back('\r'); break;
            case 't': out.push_back('\t'); break;
            case 'u': {
                unsigned code = 0;
                for (int k = 0; k < 4; ++k) {
                    if (i_ >= s_.size() || hex(s_[i_]) < 0) return false;
                    code = code * 16 + static_cast<unsigned>(hex(s_[i_++]));
                }
                if (code < 0x80) {
                    out.push_back(static_cast<char>(code));
                } else if (code < 0x800) {
                    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
                    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
                } else {
                    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
                    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
                    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
                }
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool digits() {
        const std::size_t start = i_;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
        return i_ > start;
    }
    bool number(std::string& out) {
        const std::size_t start = i_;
        if (i_ < s_.size() && s_[i_] == '-') ++i_;
        if (i_ < s_.size() && s_[i_] == '0') {
            ++i_;
        } else if (!digits()) {
            return false;
        }
        if (i_ < s_.size() && s_[i_] == '.') {
            ++i_;
            if (!digits()) return false;
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            ++i_;
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
            if (!digits()) return false;
        }
        out.assign(s_.substr(start, i_ - start));
        return true;
    }
    bool value(FlatJsonValue& v) {
        blanks();
        using K = FlatJsonValue::Kind;
        if (i_ < s_.size() && s_[i_] == '"') {
            v.kind = K::String;
            return string(v.text);
        }
        if (word("true")) return v.kind = K::True, true;
        if (word("false")) return v.kind = K::False, true;
        if (word("null")) return v.kind = K::Null, true;
        v.kind = K::Number;
        return number(v.text);
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

}  // namespace dmm
