// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "hid_report_descriptor.h"

#include <algorithm>
#include <array>

namespace dmm {

namespace {

enum : unsigned {
    kTypeMain = 0,
    kTypeGlobal = 1,
    kTagInput = 0x8,
    kTagReportSize = 0x7,
    kTagReportId = 0x8,
    kTagReportCount = 0x9,
    kTagPush = 0xA,
    kTagPop = 0xB,
    kLongItemPrefix = 0xFE,
};

struct GlobalState {
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

// Deeper Push nesting than this is not met in real descriptors; further Pushes are ignored.
constexpr std::size_t kMaxPushDepth = 16;
// No report can be longer than this many bits (the kernel's own limit is far lower); the sums
// stop growing there, so counts of any size cannot overflow.
constexpr std::uint64_t kMaxReportBits = 1u << 24;

}  // namespace

HidReportLayout readReportLayout(const std::uint8_t* descriptor, std::size_t size) {
    HidReportLayout layout;
    std::array<std::uint64_t, 256> inputBits{};  // per report ID
    std::array<GlobalState, kMaxPushDepth> stack{};
    std::size_t depth = 0;
    GlobalState g;
    bool anyInput = false;

    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t prefix = descriptor[at];
        if (prefix == kLongItemPrefix) {
            // Long item: data size, tag, data. It carries nothing this walk needs.
            if (at + 2 >= size) {
                layout.wellFormed = false;
                break;
            }
            at += 3 + descriptor[at + 1];
            if (at > size) layout.wellFormed = false;
            continue;
        }
        const std::size_t dataSize = (prefix & 3u) == 3 ? 4 : (prefix & 3u);
        if (at + 1 + dataSize > size) {
            layout.wellFormed = false;
            break;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < dataSize; ++i) {
            value |= static_cast<std::uint32_t>(descriptor[at + 1 + i]) << (8 * i);
        }
        const unsigned type = (prefix >> 2) & 3u;
        const unsigned tag = prefix >> 4;
        at += 1 + dataSize;

        if (type == kTypeGlobal) {
            switch (tag) {
            case kTagReportSize: g.reportSize = value; break;
            case kTagReportCount: g.reportCount = value; break;
            case kTagReportId:
                g.reportId = static_cast<std::uint8_t>(value);
                layout.numbered = true;
                break;
            case kTagPush:
                if (depth < kMaxPushDepth) stack[depth++] = g;
                break;
            case kTagPop:
                if (depth > 0) g = stack[--depth];
                break;
            default: break;
            }
        } else if (type == kTypeMain && tag == kTagInput) {
            anyInput = true;
            const std::uint64_t bits = std::min<std::uint64_t>(
                static_cast<std::uint64_t>(g.reportSize) * g.reportCount, kMaxReportBits);
            inputBits[g.reportId] = std::min(inputBits[g.reportId] + bits, kMaxReportBits);
        }
    }

    if (anyInput) {
        const std::uint64_t longest = *std::max_element(inputBits.begin(), inputBits.end());
        layout.inputReportLength = static_cast<std::size_t>((longest + 7) / 8) + 1;
    }
    return layout;
}

}  // namespace dmm
