// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Cutting byte blocks and HID reports into frames.

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace dmm {
namespace {

using test::keltBytes;
using test::RecordingSink;
using test::sornBytes;

using Bytes = std::vector<std::uint8_t>;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Feeds the stream in blocks of the given size.
void feed(MeterCore& core, Family f, const Bytes& bytes, std::size_t block) {
    for (std::size_t i = 0; i < bytes.size(); i += block) {
        const std::size_t n = std::min(block, bytes.size() - i);
        core.receiveBytes(f, bytes.data() + i, static_cast<std::int32_t>(n));
    }
}

TEST(SerialAssembly, AFrameDecodesTheSameWhereverTheBlocksAreCut) {
    const Bytes kelt = concat({keltBytes("123452121"), keltBytes("123462121")});
    const Bytes sorn = concat({sornBytes("705DB1F2700040"), sornBytes("705DB1F2700040")});
    for (std::size_t block = 1; block <= 30; ++block) {
        MeterCore k;
        // The Kelt frame begins with the line feed that ended the previous frame.
        feed(k, Family::Kelt, kelt, block);
        EXPECT_EQ(k.counters().decoded, 2u) << "block " << block;
        EXPECT_EQ(k.frameText(), "123462121DA");
        EXPECT_EQ(k.reading().valueText, "12.346");

        MeterCore s;
        feed(s, Family::Sorn, sorn, block);
        EXPECT_EQ(s.counters().decoded, 2u) << "block " << block;
        EXPECT_EQ(s.frameText(), "705DB1F2700040");
    }
}

TEST(SerialAssembly, StreamStartingMidFrameDropsOnlyTheFirstPiece) {
    const Bytes full = sornBytes("705DB1F2700040");
    const Bytes stream = concat({Bytes(full.begin() + 5, full.end()), full});
    MeterCore core;
    feed(core, Family::Sorn, stream, 7);
    EXPECT_EQ(core.counters().failedTest, 1u);
    EXPECT_EQ(core.counters().decoded, 1u);
}

TEST(SerialAssembly, FirstKeltFrameWithoutLineFeedIsDroppedButShown) {
    MeterCore core;
    const Bytes frame = keltBytes("123452121", false);
    feed(core, Family::Kelt, frame, frame.size());
    EXPECT_EQ(core.counters().decoded, 0u);
    EXPECT_EQ(core.counters().failedTest, 1u);
    // FrameText is taken from characters 2..10 of the run: the data shifted by one.
    EXPECT_EQ(core.frameText(), "23452121DDA");
    EXPECT_EQ(core.frameDiagnostic(), core.frameText());
    // The accumulators are empty after every frame end, failed or not.
    EXPECT_TRUE(core.serialAssembler().highNibbles.empty());
    EXPECT_TRUE(core.serialAssembler().lowNibbles.empty());
}

TEST(SerialAssembly, BrioFrameKeepsLineFeedAndCarriageReturnNibbles) {
    MeterCore core;
    const Bytes frame = keltBytes("11234B00A");
    feed(core, Family::Brio, frame, 3);
    EXPECT_EQ(core.frameText(), "A11234B00AD");
    EXPECT_EQ(core.counters().decoded, 1u);
}

TEST(SerialAssembly, SornTerminatorClosingTooFewOrTooManyBytesFails) {
    Bytes shortRun = sornBytes("705DB1F2700040");
    shortRun.erase(shortRun.begin() + 3);
    Bytes outOfOrder = sornBytes("705DB1F2700040");
    std::swap(outOfOrder[2], outOfOrder[3]);
    MeterCore core;
    feed(core, Family::Sorn, concat({shortRun, outOfOrder, sornBytes("705DB1F2700040")}), 5);
    EXPECT_EQ(core.counters().failedTest, 2u);
    EXPECT_EQ(core.counters().decoded, 1u);
}

TEST(SerialAssembly, AStreamThatNeverEndsAFrameStaysBounded) {
    // A meter of another family: no carriage return ever comes.
    MeterCore core;
    const Bytes noise(100000, 0x41);
    feed(core, Family::Kelt, noise, 512);
    EXPECT_LE(core.serialAssembler().lowNibbles.size(), kMaxFrameBytes);
    EXPECT_EQ(core.counters().decoded, 0u);
    // The overlong run is closed by the next carriage return and fails; the stream recovers.
    feed(core, Family::Kelt, concat({Bytes{0x0D}, keltBytes("123452121")}), 4);
    EXPECT_EQ(core.counters().failedTest, 1u);
    EXPECT_EQ(core.counters().decoded, 1u);

    MeterCore sorn;
    feed(sorn, Family::Sorn, Bytes(5000, 0x11), 64);
    feed(sorn, Family::Sorn, Bytes{0xE0}, 1);
    EXPECT_EQ(sorn.counters().failedTest, 1u);
    EXPECT_TRUE(sorn.serialAssembler().highNibbles.empty());
}

// ---------------------------------------------------------------------------------------------
// USB road: report ID, then data byte 0 whose low nibble counts the meter bytes that follow.

struct Report {
    std::uint8_t id;
    Bytes data;
};

void send(MeterCore& core, Family f, const Report& r) {
    if (f == Family::Kelt) {
        core.receiveKeltReport(r.id, r.data.data(), static_cast<std::uint16_t>(r.data.size()));
    } else {
        core.receiveSornReport(r.id, r.data.data(), static_cast<std::uint16_t>(r.data.size()));
    }
}

// Splits meter bytes into data reports of the given counts (8-byte reports, padded).
std::vector<Report> dataReports(const Bytes& meter, std::initializer_list<int> counts) {
    std::vector<Report> out;
    std::size_t at = 0;
    for (int n : counts) {
        Report r{0, Bytes(std::max<std::size_t>(8, static_cast<std::size_t>(n) + 1), 0x00)};
        r.data[0] = static_cast<std::uint8_t>(0xF0 | n);  // the high nibble is not looked at
        for (int k = 0; k < n && at < meter.size(); ++k) r.data[1 + k] = meter[at++];
        out.push_back(r);
    }
    return out;
}

const Report kIdle{0, Bytes(8, 0x00)};

Bytes keltUsbFrame(const char* nine) {
    Bytes b = keltBytes(nine, false);
    b.push_back(0x0A);
    return b;  // nine data bytes, CR, LF
}

TEST(UsbAssembly, FrameSplitOverThreeReportsDecodesOnceAtTheIdleReport) {
    RecordingSink sink;
    MeterCore core(&sink);
    for (const Report& r : dataReports(keltUsbFrame("123452121"), {4, 4, 3})) {
        send(core, Family::Kelt, r);
    }
    EXPECT_EQ(core.counters().decoded, 0u);
    send(core, Family::Kelt, kIdle);
    EXPECT_EQ(core.counters().decoded, 1u);
    EXPECT_EQ(core.frameText(), "123452121DA");
    EXPECT_EQ(core.frameEndDiagnostic(), "DA");
    EXPECT_EQ(core.frameDiagnostic(), "123452121DA");  // the decoder shows the whole FrameText
    // Three data reports logged; the idle report is not.
    ASSERT_EQ(core.history().size(), 3u);
    EXPECT_EQ(core.history().at(0), "R 00  F4 31 32 33 34 00 00 00 ");
    // A second idle report decodes nothing more.
    send(core, Family::Kelt, kIdle);
    EXPECT_EQ(core.counters().decoded, 1u);
}

TEST(UsbAssembly, CountOfTenIsNotDataAndEndsAPendingFrame) {
    MeterCore core;
    for (const Report& r : dataReports(keltUsbFrame("123452121"), {9, 2})) send(core, Family::Kelt, r);
    Report ten{0, Bytes{0x0A, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30}};
    send(core, Family::Kelt, ten);
    EXPECT_EQ(core.counters().decoded, 1u);
    EXPECT_EQ(core.frameText(), "123452121DA");
    EXPECT_TRUE(core.usbAssembler().reportHexText.empty());
}

TEST(UsbAssembly, IdleReportCounting) {
    MeterCore core;
    send(core, Family::Kelt, kIdle);
    send(core, Family::Kelt, kIdle);
    EXPECT_EQ(core.idleReportCount(), 2);
    send(core, Family::Kelt, Report{0, {}});  // no data bytes: not counted, but ends a frame
    EXPECT_EQ(core.idleReportCount(), 2);
    send(core, Family::Kelt, dataReports(Bytes{0x31}, {1}).front());
    EXPECT_EQ(core.idleReportCount(), 0);
    send(core, Family::Kelt, Report{0, {}});  // ends the one-byte frame, which fails
    EXPECT_EQ(core.counters().failedTest, 1u);

    // A Size 0 report ends a pending frame.
    for (const Report& r : dataReports(keltUsbFrame("123452121"), {6, 5})) send(core, Family::Kelt, r);
    send(core, Family::Kelt, Report{0, {}});
    EXPECT_EQ(core.idleReportCount(), 0);
    EXPECT_EQ(core.counters().decoded, 1u);
}

TEST(UsbAssembly, ShortFramesFailAndCountsBeyondTheReportTakeWhatIsThere) {
    MeterCore core;
    Report liar{0, Bytes{0x09, 0x31, 0x32}};  // says nine, carries two
    send(core, Family::Kelt, liar);
    send(core, Family::Kelt, kIdle);
    EXPECT_EQ(core.counters().failedTest, 1u);
    EXPECT_EQ(core.frameText(), "12");
    EXPECT_EQ(core.frameEndDiagnostic(), "");
}

TEST(UsbAssembly, SornFrameNeedsItsFourteenSequenceNumbers) {
    MeterCore core;
    for (const Report& r : dataReports(sornBytes("705DB1F2700040"), {5, 5, 4})) {
        send(core, Family::Sorn, r);
    }
    send(core, Family::Sorn, kIdle);
    EXPECT_EQ(core.counters().decoded, 1u);
    EXPECT_EQ(core.frameDiagnostic(), "705DB1F2700040");

    Bytes missing = sornBytes("705DB1F2700040");
    missing.pop_back();
    for (const Report& r : dataReports(missing, {7, 6})) send(core, Family::Sorn, r);
    send(core, Family::Sorn, kIdle);
    EXPECT_EQ(core.counters().failedTest, 1u);
}

TEST(UsbAssembly, EndlessDataStaysBoundedAndHistoryKeepsTheNewestLines) {
    MeterCore core;
    const Report r = dataReports(Bytes(9, 0x31), {9}).front();
    for (int i = 0; i < 5000; ++i) send(core, Family::Kelt, r);
    EXPECT_LE(core.usbAssembler().reportHexText.size(), 2 * kMaxFrameBytes);
    EXPECT_EQ(core.history().size(), core.history().capacity());
    EXPECT_EQ(core.history().dropped(), 5000u - core.history().capacity());
}

}  // namespace
}  // namespace dmm
