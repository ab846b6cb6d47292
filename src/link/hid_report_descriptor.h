// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>

namespace dmm {

// What the program needs to know from a HID report descriptor: whether the device numbers its
// reports (a Report ID item appears), and how long its longest input report is, counted with
// one leading byte for the report ID, numbered or not, so that a buffer of that length holds
// any input report in the form the reader hands over (report ID first, 0 when unnumbered).
struct HidReportLayout {
    bool numbered = false;
    std::size_t inputReportLength = 0;  // 0: the descriptor declares no input report
    bool wellFormed = true;             // false: the descriptor ended inside an item
};

// Walks the descriptor's short and long items, keeping the global state (report size, count
// and ID, with Push and Pop) and adding up the bits of every Input item per report ID. Plain
// C++ and bounded: any byte sequence is read in one pass, without allocation.
HidReportLayout readReportLayout(const std::uint8_t* descriptor, std::size_t size);

}  // namespace dmm
