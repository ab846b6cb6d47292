// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dmm {

// A diagnostic list that keeps only its newest lines. Appending reuses the storage of the
// line it drops, so a full log costs no allocation per line.
class BoundedLog {
public:
    explicit BoundedLog(std::size_t capacity = 1000) : lines_(capacity ? capacity : 1) {}

    void append(std::string_view line) {
        lines_[(first_ + size_) % lines_.size()].assign(line);
        if (size_ < lines_.size()) {
            ++size_;
        } else {
            first_ = (first_ + 1) % lines_.size();
            ++dropped_;
        }
    }
    void clear() {
        first_ = 0;
        size_ = 0;
    }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return lines_.size(); }
    bool empty() const { return size_ == 0; }
    // Line i, 0 = oldest kept.
    const std::string& at(std::size_t i) const { return lines_[(first_ + i) % lines_.size()]; }
    const std::string& back() const { return at(size_ - 1); }
    // Lines dropped at the front since construction.
    std::size_t dropped() const { return dropped_; }

private:
    std::vector<std::string> lines_;
    std::size_t first_ = 0;
    std::size_t size_ = 0;
    std::size_t dropped_ = 0;
};

}  // namespace dmm
