// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// What the USB cable makes of a meter's frames, fed back to the cable road of the core.

#include <gtest/gtest.h>

#include "cable_reports.h"
#include "frame_encoder.h"
#include "meter_core.h"

namespace dmm {
namespace {

TEST(CableReports, FramesTravelInSevenByteReportsAndDecodeOnTheCableRoad) {
    for (Family family : {Family::Kelt, Family::Sorn}) {
        SCOPED_TRACE(std::string(familyName(family)));
        MeterDisplay d;
        d.digits = family == Family::Kelt ? "12345" : "1234";
        d.decimals = 3;
        d.unit = "V";
        d.coupling = "DC";
        d.autoRange = true;
        std::string serial;
        ASSERT_TRUE(encodeFrame(family, d, serial));
        const std::string bytes = cableFrameBytes(family, serial);
        // A Kelt frame through the cable ends in the line feed that starts it on the line.
        if (family == Family::Kelt) {
            EXPECT_EQ(bytes, serial.substr(1) + "\n");
        } else {
            EXPECT_EQ(bytes, serial);
        }
        const std::vector<CableReport> reports = cableReports(bytes);
        ASSERT_EQ(reports.size(), (bytes.size() + 6) / 7 + 1);
        std::string carried;
        for (const CableReport& r : reports) {
            ASSERT_EQ(r.size(), kCableReportLength);
            EXPECT_EQ(r[0], 0);
            const std::size_t n = r[1] & 0x0F;
            EXPECT_EQ(r[1] >> 4, n ? 0xF : 0x0);
            carried.append(r.begin() + 2, r.begin() + 2 + static_cast<std::ptrdiff_t>(n));
        }
        EXPECT_EQ(carried, bytes);
        EXPECT_EQ(reports.back(), CableReport(kCableReportLength, 0)) << "the frame's end";

        MeterCore core;
        for (const CableReport& r : reports) {
            const auto size = static_cast<std::uint16_t>(r.size() - 1);
            if (family == Family::Kelt) core.receiveKeltReport(r[0], r.data() + 1, size);
            else core.receiveSornReport(r[0], r.data() + 1, size);
        }
        EXPECT_EQ(core.counters().decoded, 1u);
        EXPECT_EQ(core.reading().valueText, family == Family::Kelt ? "12.345" : "1.234");
    }
    EXPECT_EQ(cableReportLine({0x00, 0xF3, 0x0A, 0xBC}), "00 F3 0A BC");
    EXPECT_EQ(cableReports("").size(), 1u) << "nothing to carry still ends a frame";
}

TEST(CableReports, ReportLinesReadBackWhatTheyWrite) {
    using Fault = CableReportLineRead::Fault;
    struct Row {
        std::string_view line;
        Fault fault;
        CableReport bytes;          // when read
        std::string_view badWord;   // when a word is no byte
    };
    const Row rows[] = {
        {"00 F3 0A BC", Fault::None, {0x00, 0xF3, 0x0A, 0xBC}, {}},
        {"\t0 f3\v a\r", Fault::None, {0x00, 0xF3, 0x0A}, {}},  // blanks of any kind, one digit
        {"", Fault::NoReportId, {}, {}},
        {" \t ", Fault::NoReportId, {}, {}},
        {"00 1FF", Fault::NotAByte, {}, "1FF"},
        {"00 0x 12", Fault::NotAByte, {}, "0x"},
        {"+1", Fault::NotAByte, {}, "+1"},
        {"00 g0", Fault::NotAByte, {}, "g0"},
        {std::string_view("00 \xff", 4), Fault::NotAByte, {}, "\xff"},
    };
    for (const Row& r : rows) {
        CableReport bytes{0x55};
        const CableReportLineRead read = readCableReportLine(r.line, bytes);
        EXPECT_EQ(read.fault, r.fault) << r.line;
        EXPECT_EQ(read.badWord, r.badWord) << r.line;
        if (r.fault == Fault::None) EXPECT_EQ(bytes, r.bytes) << r.line;
    }
    // The longest report a line may carry, and one byte more.
    CableReport longest(kMaxCableReportLineBytes, 0xA5);
    CableReport bytes;
    EXPECT_EQ(readCableReportLine(cableReportLine(longest), bytes).fault, Fault::None);
    EXPECT_EQ(bytes, longest);
    longest.push_back(0);
    EXPECT_EQ(readCableReportLine(cableReportLine(longest), bytes).fault, Fault::TooLong);
}

}  // namespace
}  // namespace dmm
