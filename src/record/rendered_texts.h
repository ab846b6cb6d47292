#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record_table.h"

namespace dmm {

// The distinct texts of a table, each turned into its file form once and kept for the rest
// of one write. `Render` appends the file form of a UTF-8 text to a string.
template <typename Render>
class RenderedTexts {
public:
    RenderedTexts(const RecordTable& table, Render render)
        : table_(table), render_(render), begin_(table.distinctTexts(), kNotYet),
          end_(table.distinctTexts(), 0) {}

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
    std::vector<std::size_t> begin_;
    std::vector<std::size_t> end_;
    std::string arena_;
};

}  // namespace dmm
