// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace dmm {

// No frame of any family is longer than 14 bytes. The accumulators keep at most this many
// bytes of a run; the bytes of a longer run beyond it are dropped (and the run remembered as
// overlong), which changes no framing decision: the tests look only at the first 14 bytes,
// and an overlong run never equals the 14-byte Sorn sequence.
constexpr std::size_t kMaxFrameBytes = 64;

// Serial road: the high and low hexadecimal digits of every byte since the last frame end.
struct SerialAssembler {
    std::string highNibbles;
    std::string lowNibbles;
    std::size_t runLength = 0;  // bytes since the last frame end, including dropped ones

    void append(char high, char low) {
        if (highNibbles.size() < kMaxFrameBytes) {
            highNibbles.push_back(high);
            lowNibbles.push_back(low);
        }
        ++runLength;
    }
    bool overlong() const { return runLength > highNibbles.size(); }
    void clear() {
        highNibbles.clear();
        lowNibbles.clear();
        runLength = 0;
    }
};

// USB road: the data bytes of the current frame as hexadecimal text, and the report counter.
struct UsbAssembler {
    std::string reportHexText;  // two digits per byte, at most kMaxFrameBytes bytes kept
    bool reportDataSeen = false;
    int idleReportCount = 0;
};

// Upper-case hexadecimal digit of a nibble.
constexpr char hexDigit(unsigned nibble) { return "0123456789ABCDEF"[nibble & 0xFu]; }

}  // namespace dmm
