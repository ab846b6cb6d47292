// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "short_text_key.h"

namespace dmm {

// Stores each distinct text once and hands out a small number for it. Recorded readings repeat
// a handful of texts ("DC", "mV", "AUTO", ...), so a record keeps numbers, not strings.
class TextPool {
public:
    TextPool();

    // The number of `text`, adding it when it is new. Amortised O(1).
    std::uint32_t intern(std::string_view text);
    std::string_view text(std::uint32_t id) const {
        return std::string_view(arena_).substr(offsets_[id], offsets_[id + 1] - offsets_[id]);
    }
    std::size_t size() const { return offsets_.size() - 1; }

    // A short text (up to kShortText bytes) as one number, equal only for equal texts and
    // never 0; 0 for a longer text. It is the text's ShortTextKey with its length in the top
    // byte, which a text of kShortText bytes leaves free.
    static std::uint64_t shortKey(std::string_view text) {
        const ShortTextKey key = ShortTextKey::of(text);
        if (key.length > kShortText) return 0;
        return key.bytes | (std::uint64_t{key.length + 1u} << 56);
    }
    // intern() for a short text whose shortKey is already known.
    std::uint32_t internShort(std::uint64_t key, std::string_view text);
    void clear();

private:
    struct ShortSlot {
        std::uint64_t key;  // 0 when empty
        std::uint32_t id;
    };
    static constexpr std::size_t kShortText = 7;  // texts this long or shorter are short
    std::uint32_t add(std::string_view text);
    void grow();
    void growShort();

    std::string arena_;                 // all texts, back to back
    std::vector<std::size_t> offsets_;  // start of text i; one extra entry for the end
    // Open addressing; a slot is 0 when empty, else (hash << 32) | (id + 1), so that most
    // mismatches are told apart without touching the texts.
    std::vector<std::uint64_t> slots_;
    // Short texts, by far the most common, are found by their bytes alone: the key is the text
    // and its length packed into one number, so a lookup reads one slot and no text.
    std::vector<ShortSlot> shortSlots_;
    std::size_t shortCount_ = 0;
};

}  // namespace dmm
