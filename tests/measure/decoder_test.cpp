// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Decoders, a row per frame: FrameText in, reading, pipeline numbers and panel elements out.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "test_support.h"

namespace dmm {
namespace {

using test::has;
using test::RecordingSink;

struct Row {
    const char* frame;
    const char* valueText;
    const char* unit;
    const char* coupling;
    const char* range;
    float value;
    int decimalPos;
    int needle;
    int bar;
    double chart;
    const char* shown;   // elements that must be shown, blank-separated
    const char* hidden;  // elements that must be hidden
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.frame; }

void expectRow(Family family, const Row& row, MeterSettings settings = {}) {
    RecordingSink sink;
    FixedClock clock(1000);
    MeterCore core(&sink, &clock);
    core.settings = settings;
    core.setFrameText(row.frame);
    ASSERT_TRUE(core.decodeFrame(family)) << "frame dropped";
    const MeterReading& r = core.reading();
    EXPECT_EQ(r.valueText, row.valueText);
    EXPECT_EQ(r.unitText, row.unit);
    EXPECT_EQ(r.couplingText, row.coupling);
    EXPECT_EQ(r.rangeText, row.range);
    EXPECT_FLOAT_EQ(r.value, row.value);
    const FrameOutcome& o = core.lastOutcome();
    EXPECT_EQ(o.decimalPos, row.decimalPos);
    EXPECT_EQ(o.needle, row.needle);
    EXPECT_EQ(o.bar, row.bar);
    EXPECT_DOUBLE_EQ(o.chart, row.chart);
    std::istringstream shown(row.shown);
    for (std::string name; shown >> name;) EXPECT_TRUE(has(core.panel(), name)) << name << " hidden";
    std::istringstream hidden(row.hidden);
    for (std::string name; hidden >> name;) EXPECT_FALSE(has(core.panel(), name)) << name << " shown";
    EXPECT_EQ(core.counters().decoded, 1u);
}

// ---------------------------------------------------------------------------------------------
class KeltRows : public ::testing::TestWithParam<Row> {};

TEST_P(KeltRows, Decodes) { expectRow(Family::Kelt, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Kelt, KeltRows,
    ::testing::Values(
        // digits 12345, range 2, volts, DC, AUTO
        Row{"123452121DA", "12.345", "V", "DC", "AUTO", 12345, 1, 523, 12, 12345,
            "LcdV LcdDc1 LcdAuto LcdP1", "LcdFH LcdAC LcdP0 LcdP2 LcdP3"},
        // status 5: minus sign and AUTO
        Row{"123452125DA", "-12.345", "V", "DC", "AUTO", -12345, 1, 277, 12, -12345,
            "LcdFH LcdAuto", ""},
        // status 9: the 8 bit is ignored
        Row{"123452129DA", "12.345", "V", "DC", "AUTO", 12345, 1, 523, 12, 12345, "LcdAuto",
            "LcdFH"},
        // status 2 and 3: neither sign nor AUTO
        Row{"123452122DA", "12.345", "V", "DC", "", 12345, 1, 523, 12, 12345, "",
            "LcdFH LcdAuto"},
        Row{"123452123DA", "12.345", "V", "DC", "", 12345, 1, 523, 12, 12345, "",
            "LcdFH LcdAuto"},
        // overload "0L", positive and negative
        Row{"A00002121DA", ".0L", "V", "DC", "AUTO", 40000, 1, 800, 40, 40000, "LcdP1", ""},
        Row{"A00002125DA", "-.0L", "V", "DC", "AUTO", -40000, 1, 0, 40, -40000, "LcdFH", ""},
        // blank form "L0": point after the third digit whatever the range
        Row{"AC0002121DA", "L0.", "V", "DC", "AUTO", 0, 3, 400, 1, 0, "LcdP3 LcdP1", "LcdP2"},
        Row{"AC0003121DA", "L0.", "V", "DC", "AUTO", 0, 3, 400, 1, 0, "LcdP3", "LcdP2"},
        // position 4 "B": all zeros
        Row{"123B52121DA", "00.000", "V", "DC", "AUTO", 0, 1, 400, 1, 0, "LcdP1", ""},
        // position 5 "A": blank last digit
        Row{"1234A2121DA", "12.34", "V", "DC", "AUTO", 1234, 1, 523, 12, 1234, "", ""},
        // frequency with minus is a percentage
        Row{"123452C04DA", "123.45", "%", "", "", 12345, 2, 523, 12, 12345, "LCDBF LcdP2",
            "LCDHz LcdFH LCDk LCDM1"},
        Row{"123452C00DA", "1.2345", "kHz", "", "", 12345, 0, 523, 12, 12345, "LCDHz LCDk LcdP0",
            "LCDBF"},
        // ohms, range 0: no point, no prefix
        Row{"123450422DA", "12345", "*", "DC", "", 12345, kNoDecimalPoint, 523, 12, 12345,
            "LCDohm LcdDc1", "LCDk LCDM1 LcdP0 LcdP1 LcdP2 LcdP3"},
        Row{"123455422DA", "1.2345", "M*", "DC", "", 12345, 0, 523, 12, 12345, "LCDohm LCDM1", ""},
        // coupling 0: "DC" only for the DC functions, never an annunciator
        Row{"123452200DA", "12.345", "V", "", "", 12345, 1, 523, 12, 12345, "", "LcdDc1 LcdAC"},
        Row{"123452100DA", "12.345", "V", "DC", "", 12345, 1, 523, 12, 12345, "", "LcdDc1"},
        // AC and AC+DC
        Row{"123452111DA", "12.345", "V", "AC", "AUTO", 12345, 1, 523, 12, 12345,
            "LcdAC LCDTRMST LCDTRMS", "LcdDc1 LCDJa"},
        Row{"123452131DA", "12.345", "V", "AC+DC", "AUTO", 12345, 1, 523, 12, 12345,
            "LcdAC LCDTRMST LCDTRMS LCDJa LcdDc1", ""},
        // capacitance, micro, point after the fifth... after LcdD0
        Row{"123453500DA", "1.2345", "uF", "", "", 12345, 0, 523, 12, 12345, "LCDF LCDu LcdP0", ""},
        // microamps, milliamps, amps; other functions
        Row{"123451700DA", "1234.5", "uA", "DC", "", 12345, 3, 523, 12, 12345, "LCDA LCDu LcdP3", ""},
        Row{"123450800DA", "12.345", "mA", "DC", "", 12345, 1, 523, 12, 12345, "LCDA Lcdm", ""},
        Row{"123450600DA", "1234.5", "#", "", "", 12345, 3, 523, 12, 12345, "LCDCS", ""},
        Row{"123450A00DA", "123.45", "*&", "", "", 12345, 2, 523, 12, 12345, "LCDFm LCDohm", ""},
        Row{"123450B00DA", "1.2345", "V)", "", "", 12345, 0, 523, 12, 12345, "LCDDI LcdV", ""},
        Row{"123450D00DA", "1234.5", "?", "", "", 12345, 3, 523, 12, 12345, "LCDFS", ""},
        Row{"123450E00DA", "1234.5", "W", "", "", 12345, 3, 523, 12, 12345, "lcdW", ""},
        Row{"123450F00DA", "123.45", "mA%", "", "", 12345, 2, 523, 12, 12345, "LCDBF", ""},
        // function 0: nothing shown, "DC" from coupling 0
        Row{"012340000DA", "01234", "", "DC", "", 1234, kNoDecimalPoint, 412, 1, 1234, "",
            "LcdV"}),
    testing::PrintToStringParamName());

// ---------------------------------------------------------------------------------------------
class SornRows : public ::testing::TestWithParam<Row> {};

TEST_P(SornRows, Decodes) { expectRow(Family::Sorn, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Sorn, SornRows,
    ::testing::Values(
        // digits 1 2 3 4, point 1, volts, DC, AUTO, RS-232C
        Row{"705DB1F2700040", "1.234", "V", "DC", "AUTO", 1234, 1, 523, 12, 1234,
            "LcdV LcdAuto LCDRS LCD232C LcdP1", "LcdFH LcdAC LcdP2 LcdP3 LcdDc1 LcdD0 LcdP0"},
        // minus bit
        Row{"785DB1F2700040", "-1.234", "V", "DC", "AUTO", -1234, 1, 277, 12, -1234, "LcdFH", ""},
        // the meter's overload display: blank, 0, L, blank
        Row{"7007D680000040", "0L", "V", "DC", "AUTO", 40000, kNoDecimalPoint, 800, 40, 40000, "",
            ""},
        Row{"700FD680000040", ".0L", "V", "DC", "AUTO", 40000, 1, 800, 40, 40000, "LcdP1", ""},
        Row{"780FD680000040", "-.0L", "V", "DC", "AUTO", -40000, 1, 0, 40, -40000, "LcdFH", ""},
        // the L pattern in digit 1 is a blank digit (a blank leading digit)
        Row{"768055B1F00040", "123", "V", "DC", "AUTO", 123, kNoDecimalPoint, 412, 1, 123, "", ""},
        // AC and DC both set: DC wins the text, AC shows
        Row{"F05DB1F2700040", "1.234", "V", "DC", "AUTO", 1234, 1, 523, 12, 1234, "LcdAC", ""},
        // hertz with kilo: AUTO forced
        Row{"405DB1F2720020", "1.234", "kHz", "DC", "AUTO", 1234, 1, 523, 12, 1234, "LCDHz LCDk",
            "LcdAuto LCDCS"},
        // bit 56 with hertz: no "#"
        Row{"405DB1F2700021", "1.234", "Hz", "DC", "AUTO", 1234, 1, 523, 12, 1234, "LCDHz",
            "LCDCS"},
        // bit 56 alone: "#" replaces unit and coupling
        Row{"405DB1F2700001", "1.234", "#", "", "MANU", 1234, 1, 523, 12, 1234, "LCDCS",
            "LcdAuto"},
        // milliamps, kilo-ohms
        Row{"305DB1F2708080", "1.234", "mA", "", "AUTO", 1234, 1, 523, 12, 1234, "Lcdm LCDA",
            "LcdV"},
        Row{"305DB1F2720400", "1.234", "k*", "", "AUTO", 1234, 1, 523, 12, 1234, "LCDk LCDohm",
            ""}),
    testing::PrintToStringParamName());

TEST(Sorn, TrueRmsAnnunciatorFollowsAcOnlyForTheModelThatHasIt) {
    RecordingSink sink;
    MeterCore core(&sink);
    core.setFrameText("F05DB1F2700040");
    ASSERT_TRUE(core.decodeFrame(Family::Sorn));
    EXPECT_FALSE(has(core.panel(), "LCDTRMST"));  // left alone

    core.settings.ivraModel = true;
    ASSERT_TRUE(core.decodeFrame(Family::Sorn));
    EXPECT_TRUE(has(core.panel(), "LCDTRMST"));
    EXPECT_TRUE(has(core.panel(), "LCDTRMS"));
    core.setFrameText("705DB1F2700040");
    ASSERT_TRUE(core.decodeFrame(Family::Sorn));
    EXPECT_FALSE(has(core.panel(), "LCDTRMS"));

    core.settings.ivraModel = false;  // unticked: the state stays as it is
    core.setFrameText("F05DB1F2700040");
    ASSERT_TRUE(core.decodeFrame(Family::Sorn));
    EXPECT_FALSE(has(core.panel(), "LCDTRMS"));
}

TEST(Sorn, FrequencyModeFlipsOnlyWhenTheHertzAnnunciatorComesOrGoes) {
    RecordingSink sink;
    MeterCore core(&sink);
    for (const char* frame : {"405DB1F2720020", "405DB1F2720020", "705DB1F2700040"}) {
        core.setFrameText(frame);
        ASSERT_TRUE(core.decodeFrame(Family::Sorn));
    }
    int on = 0, off = 0;
    for (const std::string& c : sink.calls) {
        on += c == "frequencyOn";
        off += c == "frequencyOff";
    }
    EXPECT_EQ(on, 1);
    EXPECT_EQ(off, 1);
    EXPECT_FALSE(core.state.frequencyMode);
}

// ---------------------------------------------------------------------------------------------
class BrioRows : public ::testing::TestWithParam<Row> {};

TEST_P(BrioRows, Decodes) { expectRow(Family::Brio, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Brio, BrioRows,
    ::testing::Values(
        Row{"A11234B00AD", "1.234", "V", "DC", "AUTO", 1234, 1, 523, 12, 1234,
            "LcdV LcdP1 LcdDc1 LcdAuto LCDRS LCD232C LcdDa LcdDb LcdDc LcdDd", "LcdAC LcdD0 LcdP0"},
        // leading zeros blanked without a point
        Row{"A40012B00AD", "0012", "V", "DC", "AUTO", 12, kNoDecimalPoint, 401, 1, 12, "LcdDc LcdDd",
            "LcdDa LcdDb LcdP1 LcdP2 LcdP3"},
        Row{"A40002B00AD", "0002", "V", "DC", "AUTO", 2, kNoDecimalPoint, 400, 1, 2, "LcdDd",
            "LcdDa LcdDb LcdDc"},
        Row{"A10234B00AD", "0.234", "V", "DC", "AUTO", 234, 1, 423, 2, 234, "LcdDa", ""},
        Row{"A20234B00AD", "02.34", "V", "DC", "AUTO", 234, 2, 423, 2, 234, "LcdDb", "LcdDa"},
        Row{"A00034B00AD", "003.4", "mV", "DC", "AUTO", 34, 3, 403, 1, 34, "Lcdm LcdP3 LcdDc",
            "LcdDa LcdDb"},
        // overload, positive and negative, and in function "1"
        Row{"A11234B10AD", ".0L", "V", "DC", "AUTO", 40001, 1, 800, 40, 40000, "LcdDb LcdDc",
            "LcdDa LcdDd"},
        Row{"A11234B50AD", "-.0L", "V", "DC", "AUTO", -40001, 1, 0, 40, -40000, "LcdFH", ""},
        Row{"A11234110AD", ".0L", ")V", "DC", "AUTO", 40001, 1, 800, 25, 40000, "LCDDI", ""},
        // diode: last digit blank
        Row{"A11234100AD", "1.23", ")V", "DC", "AUTO", 123, 1, 523, 12, 123, "LCDDI LcdV LcdP1", ""},
        // continuity
        Row{"A11234500AD", "123", "&*", "DC", "AUTO", 123, kNoDecimalPoint, 523, 12, 123,
            "LCDFm LCDohm", "LcdP3"},
        // frequency override over function "B"
        Row{"A11234B01AD", "12.34", "kHz", "DC", "AUTO", 1234, 2, 523, 12, 1234,
            "LCDHz LCDk LcdP2", "LcdV LcdRPM"},
        // AC and DC bits both: both show, DC wins the text; RS bit 0 shows the annunciator
        Row{"A11234B00ED", "1.234", "V", "DC", "AUTO", 1234, 1, 523, 12, 1234, "LcdAC LcdDc1", ""},
        Row{"A11234B009D", "1.234", "V", "DC", "MANU", 1234, 1, 523, 12, 1234, "",
            "LCDRS LCD232C LcdAuto"},
        // other functions
        Row{"A01234D00AD", "123.4", "uA", "DC", "AUTO", 1234, 3, 523, 12, 1234, "LCDu LCDA", ""},
        Row{"A11234900AD", "123.4", "mA", "DC", "AUTO", 1234, 3, 523, 12, 1234, "Lcdm LCDA", ""},
        Row{"A71234F00AD", "12.34", "A", "DC", "AUTO", 1234, 2, 523, 12, 1234, "LCDA", "Lcdm"},
        Row{"A41234300AD", "1.234", "M*", "DC", "AUTO", 1234, 1, 523, 12, 1234, "LCDohm LCDM1", ""},
        Row{"A01234200AD", "1234", "Hz", "DC", "AUTO", 1234, kNoDecimalPoint, 523, 12, 1234, "LCDHz",
            "LCDk"},
        Row{"A01234280AD", "12.34", "kRPM", "DC", "AUTO", 1234, 2, 523, 12, 1234, "LcdRPM LCDk",
            "LCDHz"},
        Row{"A01234480AD", "1234", "#", "DC", "AUTO", 1234, kNoDecimalPoint, 523, 12, 1234, "LCDCS",
            "LCDFS"},
        Row{"A01234400AD", "1234", "?", "DC", "AUTO", 1234, kNoDecimalPoint, 523, 12, 1234, "LCDFS",
            "LCDCS"},
        Row{"A41234600AD", "12.34", "uF", "DC", "AUTO", 1234, 2, 523, 12, 1234, "LCDF LCDu", ""},
        // a range letter where the function does not use the range
        Row{"AB1234F00AD", "12.34", "A", "DC", "AUTO", 1234, 2, 523, 12, 1234, "", ""}),
    testing::PrintToStringParamName());

TEST(Brio, ModelBoxesChangeFrequencyAndContinuityUnits) {
    MeterSettings fermo;
    fermo.fermoModel = true;
    expectRow(Family::Brio,
              Row{"A01234200AD", "1.234", "kHz", "DC", "AUTO", 1234, 1, 523, 12, 1234,
                  "LCDHz LCDk LcdP1", ""},
              fermo);
    expectRow(Family::Brio,
              Row{"A11234500AD", "123", "&**", "DC", "AUTO", 123, kNoDecimalPoint, 523, 12, 123,
                  "LCDFm LCDohm", "LcdP3"},
              fermo);
}

TEST(Brio, EveryFrameGoesToTheMemo) {
    MeterCore core;
    core.setFrameText("A11234B00AD");
    ASSERT_TRUE(core.decodeFrame(Family::Brio));
    ASSERT_TRUE(core.decodeFrame(Family::Brio));
    ASSERT_EQ(core.brioFrames().size(), 2u);
    EXPECT_EQ(core.brioFrames().back(), "A11234B00AD");
}

// ---------------------------------------------------------------------------------------------
// Frames that pass their framing test but hold something no number can be formed from are
// dropped before they change anything.
struct DropRow {
    Family family;
    const char* frame;
};

void PrintTo(const DropRow& r, std::ostream* os) { *os << familyName(r.family) << '_' << r.frame; }

class Undecodable : public ::testing::TestWithParam<DropRow> {};

TEST_P(Undecodable, IsDroppedWithoutATrace) {
    RecordingSink sink;
    MeterCore core(&sink);
    core.setFrameText("123452121DA");
    ASSERT_TRUE(core.decodeFrame(Family::Kelt));  // some earlier state to keep
    const LcdPanel panel = core.panel();
    const MeterReading reading = core.reading();
    const ReadingState state = core.state;
    const std::size_t calls = sink.calls.size();

    core.setFrameText(GetParam().frame);
    EXPECT_FALSE(core.decodeFrame(GetParam().family));

    EXPECT_EQ(core.panel(), panel);
    EXPECT_EQ(core.reading().valueText, reading.valueText);
    EXPECT_EQ(core.reading().unitText, reading.unitText);
    EXPECT_EQ(core.state.lastUnitText, state.lastUnitText);
    EXPECT_EQ(core.state.runningMax, state.runningMax);
    EXPECT_EQ(sink.calls.size(), calls);
    EXPECT_EQ(core.counters().undecodable, 1u);
    EXPECT_EQ(core.counters().decoded, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Undecodable,
    ::testing::Values(DropRow{Family::Kelt, "12345A121DA"},   // letter in the range digit
                      DropRow{Family::Kelt, "12345212ADA"},   // letter in the status digit
                      DropRow{Family::Kelt, "1234521C1DA"},   // letter in the coupling digit
                      DropRow{Family::Kelt, "12C452121DA"},   // letter in a digit
                      DropRow{Family::Kelt, "1234C2121DA"},   // letter in the last digit
                      DropRow{Family::Kelt, "123452121DB"},   // no "DA": no digits at all
                      DropRow{Family::Sorn, "705001F2700040"},  // blank digit between digits
                      DropRow{Family::Sorn, "70000000000040"},  // no digit at all
                      DropRow{Family::Sorn, "705DB680000040"},  // L in digit 3 after a 2
                      DropRow{Family::Brio, "AB1234B00AD"},   // range letter used by "B"
                      DropRow{Family::Brio, "A112C4B00AD"},   // letter in a digit
                      DropRow{Family::Brio, "A11234B0"},      // too short
                      DropRow{Family::Kelt, "1234"}),
    testing::PrintToStringParamName());

}  // namespace
}  // namespace dmm
