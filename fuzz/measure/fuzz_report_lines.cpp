// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Reads arbitrary text as one report line of a capture, as `dmmcli decode --road usb` does.
// A line that reads must write back to itself (as bytes) and go through the cable road of the
// core; one that does not must name a word of the line when it blames one.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cable_reports.h"
#include "meter_core.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    dmm::CableReport bytes;
    const dmm::CableReportLineRead read = dmm::readCableReportLine(line, bytes);
    if (read.fault != dmm::CableReportLineRead::Fault::None) {
        const bool within = read.badWord.empty() || (read.badWord.data() >= line.data() &&
                                                     read.badWord.data() + read.badWord.size() <=
                                                         line.data() + line.size());
        if (!within) std::abort();
        return 0;
    }
    dmm::CableReport again;
    if (dmm::readCableReportLine(dmm::cableReportLine(bytes), again).fault !=
            dmm::CableReportLineRead::Fault::None ||
        again != bytes) {
        std::abort();
    }
    dmm::PipelineSink sink;
    dmm::FixedClock clock(1234);
    dmm::MeterCore core(&sink, &clock);
    const auto length = static_cast<std::uint16_t>(bytes.size() - 1);
    core.receiveKeltReport(bytes[0], bytes.data() + 1, length);
    core.receiveSornReport(bytes[0], bytes.data() + 1, length);
    return 0;
}
