// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record_table.h"

namespace dmm {

// The file form of a table's texts. Each distinct pooled text is turned into its file form
// once and kept for the rest of one write; a text kept in the record is turned each time it
// is asked for, unless `Plain` says its bytes are its file form already. `Render` appends the
// file form of a UTF-8 text to a string.
template <typename Render, typename Plain>
class RenderedTexts {
public:
    RenderedTexts(const RecordTable& table, Render render, Plain plain)
        : table_(table), render_(render), plain_(plain), begin_(table.distinctTexts(), kNotYet),
          end_(table.distinctTexts(), 0) {}

    // The file form of a text field of `row` that has a value. What it points to stays until
    // the next call for a text that is not pooled.
    std::string_view get(const RecordTable::Row& row, int field) {
        if (row.pooled(field)) return get(row.textId(field));
        const std::string_view text = *row.text(field);
        if (plain_(text)) return text;
        single_.clear();
        render_(single_, text);
        return single_;
    }

    std::string_view get(std::uint32_t id) {
        if (begin_[id] == kNotYet) {
            begin_[id] = arena_.size();
            render_(arena_, table_.textById(id));
            end_[id] = arena_.size();
        }
        return std::string_view(arena_).substr(begin_[id], end_[id] - begin_[id]);
    }

private:
    static constexpr std::size_t kNotYet = ~std::size_t{0};
    const RecordTable& table_;
    Render render_;
    Plain plain_;
    std::vector<std::size_t> begin_;
    std::vector<std::size_t> end_;
    std::string arena_;
    std::string single_;
};

}  // namespace dmm
