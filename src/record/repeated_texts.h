// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "record_table.h"
#include "short_text_key.h"

namespace dmm {

// The pool numbers of the DC/AC, Unit and Auto texts a file reader met last, kept by the bytes
// they stood as in the file: a text repeated from the row before (nearly all of them) takes
// no pool lookup.
class RepeatedTexts {
public:
    // The pool number of the text of `n` bytes at `text` in column k (0 DC/AC, 1 Unit,
    // 2 Auto); eight bytes from `text` may be read.
    std::uint32_t number(RecordTable& table, int k, const char* text, std::size_t n) {
        const ShortTextKey key = ShortTextKey::ofPadded(text, n);
        if (key.isShort() && key == keys_[k]) return ids_[k];
        ids_[k] = table.poolText(std::string_view(text, n));
        keys_[k] = key;
        return ids_[k];
    }

private:
    std::array<ShortTextKey, 3> keys_{};
    std::array<std::uint32_t, 3> ids_{};
};

}  // namespace dmm
