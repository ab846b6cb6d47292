// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading_script.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "frame_encoder.h"
#include "meter_core.h"

using namespace dmm;

namespace {

constexpr Family kFamilies[] = {Family::Kelt, Family::Sorn, Family::Brio};

bool sameDisplay(const dmm::MeterDisplay& a, const dmm::MeterDisplay& b) {
    return a.digits == b.digits && a.decimals == b.decimals && a.negative == b.negative &&
           a.overload == b.overload && a.unit == b.unit && a.coupling == b.coupling &&
           a.autoRange == b.autoRange;
}

// Two cycles of the script for each family: every reading goes through the family's decoder,
// and together they show what a bench session shows.
TEST(ReadingScript, EveryFamilyShowsEachSceneAndEveryFrameDecodes) {
    for (Family family : kFamilies) {
        SCOPED_TRACE(std::string(dmm::familyName(family)));
        dmm::ReadingScript script(family, 42);
        dmm::MeterCore core;
        std::set<std::string> scenes;
        bool negative = false, overload = false, ac = false, ohms = false, hertz = false;
        int rangeSteps = 0;
        dmm::MeterDisplay previous;
        for (int i = 0; i < 74; ++i) {
            const dmm::MeterDisplay d = script.next();
            scenes.insert(script.scene());
            std::string bytes;
            std::string error;
            ASSERT_TRUE(dmm::encodeFrame(family, d, bytes, &error)) << error;
            core.receiveBytes(family, bytes.data(), static_cast<std::int32_t>(bytes.size()));
            ASSERT_EQ(core.counters().decoded, static_cast<std::uint64_t>(i + 1));
            EXPECT_EQ(core.reading().valueText, dmm::displayValueText(family, d, "."));
            negative |= core.reading().valueText.starts_with("-");
            overload |=
                core.reading().valueText.ends_with("L") || core.reading().valueText.ends_with("L.");
            ac |= core.reading().couplingText == "AC";
            ohms |= core.reading().unitText == "k*";
            hertz |= core.reading().unitText.ends_with("Hz");
            // An autorange step: same unit, the point moved.
            if (i > 0 && d.unit == "V" && previous.unit == "V" && d.decimals != previous.decimals &&
                d.autoRange && previous.autoRange) {
                ++rangeSteps;
            }
            previous = d;
        }
        EXPECT_EQ(scenes.size(), 7u);
        EXPECT_TRUE(negative && overload && ac && ohms && hertz);
        EXPECT_GE(rangeSteps, 2);
        EXPECT_EQ(core.counters().dropped(), 0u);
    }
}

TEST(ReadingScript, SameSeedSameReadingsOtherSeedOtherReadings) {
    dmm::ReadingScript a(Family::Sorn, 5), b(Family::Sorn, 5), c(Family::Sorn, 6);
    int differ = 0;
    for (int i = 0; i < 40; ++i) {
        const dmm::MeterDisplay da = a.next(), db = b.next(), dc = c.next();
        EXPECT_TRUE(sameDisplay(da, db)) << i;
        differ += sameDisplay(da, dc) ? 0 : 1;
    }
    EXPECT_GT(differ, 10);
}

TEST(ReadingScript, FormatsInTheSmallestRangeThatHoldsTheValue) {
    using Q = dmm::ReadingScript::Quantity;
    struct Row {
        Family family;
        Q q;
        double value;
        int fixedRange;
        const char* text;
        const char* unit;
    };
    const Row rows[] = {
        {Family::Kelt, Q::Volts, 0.1234, -1, "123.40", "mV"},
        {Family::Kelt, Q::Volts, 3.99994, -1, "3.9999", "V"},
        {Family::Kelt, Q::Volts, 3.99996, -1, "04.000", "V"},  // rounds into the next range
        {Family::Sorn, Q::Volts, -12.345, -1, "-12.35", "V"},
        {Family::Brio, Q::Volts, 5000.0, -1, "0L", "V"},        // beyond the last range
        {Family::Sorn, Q::Volts, 5.0, 1, ".0L", "V"},           // beyond a range held by hand
        {Family::Brio, Q::Ohms, 10000.0, -1, "10.00", "k*"},
        {Family::Kelt, Q::Hertz, 50.0, -1, "050.00", "Hz"},
        {Family::Brio, Q::Hertz, 50.0, -1, "0.050", "kHz"},     // no hertz range on this family
    };
    for (const Row& r : rows) {
        dmm::ReadingScript script(r.family);
        const dmm::MeterDisplay d = script.format(r.q, r.value, "", r.fixedRange);
        EXPECT_EQ(dmm::displayValueText(r.family, d, "."), r.text) << r.value;
        EXPECT_EQ(d.unit, r.unit) << r.value;
        EXPECT_EQ(d.autoRange, r.fixedRange < 0) << r.value;
    }
}

}  // namespace
