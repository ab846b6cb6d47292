#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "record_table.h"
#include "word_scan.h"

namespace dmm {

// A text of up to eight bytes as one number: its bytes and its length.
struct PackedText {
    std::uint64_t bytes = 0;
    std::uint8_t length = 0xFF;  // no text yet
    bool operator==(const PackedText&) const = default;

    // The `n` bytes at `p`; eight bytes from `p` may be read. A longer text packs to one that
    // equals no packed text of eight bytes or fewer.
    static PackedText of(const char* p, std::size_t n) {
        if (n > 8) return PackedText{0, 0xFE};
        return PackedText{wordscan::firstBytes(wordscan::load8(p), n), static_cast<std::uint8_t>(n)};
    }
};

// The pool numbers of the DC/AC, Unit and Auto texts a file reader met last, kept by the bytes
// they stood as in the file: a text repeated from the row before (nearly all of them) takes
// no pool lookup.
class RepeatedTexts {
public:
    // The pool number of the text of `n` bytes at `text` in column k (0 DC/AC, 1 Unit,
    // 2 Auto); eight bytes from `text` may be read.
    std::uint32_t number(RecordTable& table, int k, const char* text, std::size_t n) {
        const PackedText packed = PackedText::of(text, n);
        if (n <= 8 && packed == bytes_[k]) return ids_[k];
        ids_[k] = table.poolText(std::string_view(text, n));
        bytes_[k] = packed;
        return ids_[k];
    }

private:
    std::array<PackedText, 3> bytes_{};
    std::array<std::uint32_t, 3> ids_{};
};

}  // namespace dmm
