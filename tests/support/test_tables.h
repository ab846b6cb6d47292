// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "record_table.h"

namespace dmm::test {

// n bytes of every value, the same for the same seed.
inline std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

constexpr std::int32_t hms(int h, int m, int s, int ms = 0) {
    return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

inline void add(RecordTable& t, std::optional<std::int32_t> no, std::optional<std::int32_t> time,
                std::optional<std::string_view> dcac, std::optional<std::string_view> value,
                std::optional<std::string_view> unit, std::optional<std::string_view> range) {
    RecordValues v;
    v.no = no;
    v.timeMs = time;
    v.text = {dcac, value, unit, range};
    t.append(v);
}

// The table behind golden/plain_table.xml: every replacement, empty texts, a negative number,
// a missing time and unit, a character outside ASCII.
inline RecordTable xmlGoldenTable() {
    RecordTable t;
    add(t, 1, hms(9, 5, 7, 250), "DC", "12.345", "mV", "AUTO");
    add(t, 2, 0, "", "<>&'\"", "&", "");
    add(t, -3, hms(23, 59, 59, 999), "AC+DC", "a\rb\nc\td\\e", "\xC2\xB0" "C", "MANU");
    add(t, 7, std::nullopt, "DC", "1", std::nullopt, "");
    return t;
}

// The table behind golden/plain_table.txt: values that are trimmed or become "NULL".
inline RecordTable textGoldenTable() {
    RecordTable t;
    add(t, 1, hms(9, 5, 7, 250), "DC", "12.345", "mV", "AUTO");
    add(t, 2, 0, "", "<>&'\"", "&", "");
    add(t, -3, hms(23, 59, 59, 999), "AC+DC", "  -0.5", "\xC2\xB0" "C", "MANU");
    add(t, 7, std::nullopt, "DC", "1", std::nullopt, std::nullopt);
    add(t, std::nullopt, hms(12, 0, 0), "\x01x\x02", "", " ", "\t");
    return t;
}

inline std::string golden(const std::string& name) {
    std::ifstream in(std::string(DMM_RECORD_GOLDEN_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// One line per record, every field with its value or "-", for comparing whole tables.
inline std::string dump(const RecordTable& t) {
    std::ostringstream s;
    for (const auto row : t) {
        s << (row.no() ? std::to_string(*row.no()) : "-") << '|'
          << (row.timeMs() ? std::to_string(*row.timeMs()) : "-");
        for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
            const auto text = row.text(f);
            s << '|' << (text ? "[" + std::string(*text) + "]" : "-");
        }
        s << "|s" << int(row.rowState()) << '\n';
    }
    return s.str();
}

// Empty when two tables hold the same records; otherwise the first record that differs, in
// dump form (a whole-table comparison of large tables would print far too much).
inline std::string firstDifference(const RecordTable& a, const RecordTable& b) {
    const std::string da = dump(a);
    const std::string db = dump(b);
    if (da == db) return {};
    std::size_t at = 0;
    while (at < da.size() && at < db.size() && da[at] == db[at]) ++at;
    const std::size_t lineStart = da.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t from = lineStart == std::string::npos || at == 0 ? 0 : lineStart + 1;
    auto line = [from](const std::string& d) { return d.substr(from, d.find('\n', from) - from); };
    return "record " + std::to_string(std::count(da.begin(), da.begin() + static_cast<std::ptrdiff_t>(from), '\n')) +
           " of " + std::to_string(a.size()) + "/" + std::to_string(b.size()) + ": " + line(da) +
           " vs " + line(db);
}

}  // namespace dmm::test
