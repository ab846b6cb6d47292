// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frame_encoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "meter_core.h"

namespace dmm {
namespace {

constexpr Family kFamilies[] = {Family::Kelt, Family::Sorn, Family::Brio};

std::string lowNibbles(const std::string& bytes) {
    std::string out;
    for (char c : bytes) out.push_back(hexDigit(static_cast<unsigned char>(c) & 0xFu));
    return out;
}

// What the decoders must report for a display the encoder was given.
struct Expected {
    std::string valueText, unitText, couplingText, rangeText;
    float value;
    int decimalPos;
};

Expected expectedFor(Family family, const MeterDisplay& d, const ReadingState& state) {
    Expected e;
    e.valueText = displayValueText(family, d, state.localeDecimal);
    e.unitText = d.unit;
    e.couplingText = d.coupling;
    e.rangeText = d.autoRange ? "AUTO" : (family == Family::Kelt ? "" : "MANU");
    e.decimalPos = d.decimals > 0 ? 4 - d.decimals : kNoDecimalPoint;
    if (d.overload) {
        const float full = static_cast<float>(state.countClass.fullScale) +
                           (family == Family::Brio ? 1.0f : 0.0f);
        e.value = d.negative ? -full : full;
    } else {
        e.value = static_cast<float>(std::stol(d.digits)) * (d.negative ? -1.0f : 1.0f);
    }
    return e;
}

// Feeds one encoded frame to the core and checks it decodes to the display it came from.
void expectRoundTrip(MeterCore& core, Family family, const MeterDisplay& d) {
    std::string bytes;
    std::string error;
    ASSERT_TRUE(encodeFrame(family, d, bytes, &error)) << error;
    const auto before = core.counters().decoded;
    core.receiveBytes(family, bytes.data(), static_cast<std::int32_t>(bytes.size()));
    ASSERT_EQ(core.counters().decoded, before + 1)
        << "frame " << lowNibbles(bytes) << " not decoded";
    const Expected e = expectedFor(family, d, core.state);
    const MeterReading& r = core.reading();
    EXPECT_EQ(r.valueText, e.valueText);
    EXPECT_EQ(r.unitText, e.unitText);
    EXPECT_EQ(r.couplingText, e.couplingText);
    EXPECT_EQ(r.rangeText, e.rangeText);
    EXPECT_EQ(r.value, e.value);
    EXPECT_EQ(core.lastOutcome().decimalPos, e.decimalPos);
}

TEST(FrameEncoder, MatchesTheMetersOwnFramesForKnownDisplays) {
    struct Row {
        Family family;
        MeterDisplay display;
        std::string frameText;  // low nibbles of the bytes sent
    };
    const Row rows[] = {
        // 1.234 V DC, auto, RS-232C lit: the meter's own frame.
        {Family::Sorn, {"1234", 3, false, false, "V", "DC", true}, "705DB1F2700040"},
        {Family::Brio, {"1234", 3, false, false, "V", "DC", true}, "A11234B00AD"},
        // Kelt: DC volts needs no coupling annunciator; leading line feed, closing return.
        {Family::Kelt, {"12345", 3, false, false, "V", "DC", true}, "A123452101D"},
        {Family::Kelt, {"12345", 3, true, false, "V", "AC", false}, "A123452214D"},
    };
    for (const Row& row : rows) {
        std::string bytes;
        ASSERT_TRUE(encodeFrame(row.family, row.display, bytes));
        EXPECT_EQ(lowNibbles(bytes), row.frameText) << familyName(row.family);
        if (row.family == Family::Sorn) {
            for (std::size_t k = 0; k < bytes.size(); ++k) {
                EXPECT_EQ(static_cast<unsigned char>(bytes[k]) >> 4, k + 1);
            }
        }
    }
}

// Every unit and point a family offers, with both signs, every coupling, both range modes and
// the overload display, decodes back to exactly what was encoded.
TEST(FrameEncoder, EveryEncodableDisplayDecodesBackToItself) {
    std::mt19937 rng(7);
    for (Family family : kFamilies) {
        SCOPED_TRACE(std::string(familyName(family)));
        MeterCore core;
        int encoded = 0;
        for (const DisplayScale& scale : displayScales(family)) {
            // The plainest form of every offered scale must be encodable.
            MeterDisplay plain{std::string(static_cast<std::size_t>(displayDigits(family)), '1'),
                               scale.decimals, false, false, scale.unit, "", true};
            std::string bytes;
            std::string error;
            EXPECT_TRUE(encodeFrame(family, plain, bytes, &error))
                << scale.unit << "/" << scale.decimals << ": " << error;

            for (const char* coupling : {"", "DC", "AC", "AC+DC"}) {
                for (int variant = 0; variant < 8; ++variant) {
                    MeterDisplay d;
                    for (int i = 0; i < displayDigits(family); ++i) {
                        d.digits.push_back(static_cast<char>('0' + rng() % 10));
                    }
                    d.decimals = scale.decimals;
                    d.unit = scale.unit;
                    d.coupling = coupling;
                    d.negative = variant & 1;
                    d.autoRange = variant & 2;
                    d.overload = variant & 4;
                    if (!encodeFrame(family, d, bytes)) continue;  // not every mix exists
                    expectRoundTrip(core, family, d);
                    ++encoded;
                }
            }
        }
        EXPECT_GT(encoded, 100);
    }
}

TEST(FrameEncoder, StreamOfFramesDecodesWholeAndSplit) {
    for (Family family : kFamilies) {
        SCOPED_TRACE(std::string(familyName(family)));
        std::string stream;
        const std::string digits = family == Family::Kelt ? "0" : "";
        for (int i = 0; i < 5; ++i) {
            MeterDisplay d{digits + "100" + std::to_string(i), 2, false, false, "V", "DC", true};
            std::string bytes;
            ASSERT_TRUE(encodeFrame(family, d, bytes));
            stream += bytes;
        }
        MeterCore whole;
        whole.receiveBytes(family, stream.data(), static_cast<std::int32_t>(stream.size()));
        EXPECT_EQ(whole.counters().decoded, 5u);
        EXPECT_EQ(whole.counters().dropped(), 0u);

        MeterCore split;
        for (char c : stream) split.receiveBytes(family, &c, 1);
        EXPECT_EQ(split.counters().decoded, 5u);
        EXPECT_EQ(split.reading().value, 1004.0f);
    }
}

TEST(FrameEncoder, RefusesDisplaysTheFamilyCannotShow) {
    struct Row {
        const char* what;
        Family family;
        MeterDisplay display;
    };
    const Row rows[] = {
        {"too few digits", Family::Kelt, {"1234", 3, false, false, "V", "DC", true}},
        {"too many digits", Family::Sorn, {"12345", 3, false, false, "V", "DC", true}},
        {"a letter digit", Family::Brio, {"12A4", 3, false, false, "V", "DC", true}},
        {"unknown unit", Family::Kelt, {"12345", 3, false, false, "parsec", "", true}},
        {"point the range lacks", Family::Kelt, {"12345", 4, false, false, "mV", "", true}},
        {"negative frequency", Family::Kelt, {"12345", 3, true, false, "Hz", "", true}},
        {"negative percentage", Family::Kelt, {"12345", 2, true, false, "%", "", true}},
        {"manual frequency", Family::Sorn, {"1234", 2, false, false, "Hz", "", false}},
        {"counter with coupling", Family::Sorn, {"1234", 0, false, false, "#", "AC", false}},
        {"AC+DC", Family::Brio, {"1234", 3, false, false, "V", "AC+DC", true}},
        {"AC+DC", Family::Sorn, {"1234", 3, false, false, "V", "AC+DC", true}},
        {"four decimals", Family::Sorn, {"1234", 4, false, false, "V", "", true}},
        {"signed override range", Family::Brio, {"1234", 3, true, false, "kHz", "", true}},
        {"unknown coupling", Family::Kelt, {"12345", 3, false, false, "V", "XY", true}},
    };
    for (const Row& row : rows) {
        std::string bytes = "untouched";
        std::string error;
        EXPECT_FALSE(encodeFrame(row.family, row.display, bytes, &error)) << row.what;
        EXPECT_FALSE(error.empty()) << row.what;
    }
}

}  // namespace
}  // namespace dmm
