// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Arbitrary bytes as a HID report descriptor. The walk must end, stay inside the bytes (the
// sanitizers watch), keep its report length within its cap, and read a prefix of a descriptor as
// declaring no more than the whole.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "hid_report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const dmm::HidReportLayout whole = dmm::readReportLayout(data, size);
    // Reports are counted in whole bytes with one byte for the ID, and never beyond the cap.
    if (whole.inputReportLength > (std::size_t{1} << 21) + 1) std::abort();
    // A descriptor is read the same however much of it follows: a prefix declares a subset.
    const dmm::HidReportLayout half = dmm::readReportLayout(data, size / 2);
    if (half.numbered && !whole.numbered) std::abort();
    return 0;
}
