// A reading as a message to other programs: the unit a reader expects and its SI base, the
// numbers exactly as shown, and a JSON object with every field for any reading the decoders give.
#include "reading_message.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "flat_json.h"
#include "frame_encoder.h"
#include "meter_core.h"

namespace dmm {
namespace {


TEST(ReadingMessage, UnitsAndNumbersAsAReaderExpectsThem) {
    struct Row {
        const char *unitText, *valueText, *separator;
        const char *unit, *value, *baseValue, *baseUnit;  // value "null": no number
    } rows[] = {
        {"V", "3.1854", ".", "V", "3.1854", "3.1854", "V"},
        {"mV", "31.854", ".", "mV", "31.854", "0.031854", "V"},
        {"k*", "-03.210", ".", "k\u03A9", "-3.210", "-3210", "\u03A9"},
        {"M*", "1,234", ",", "M\u03A9", "1.234", "1234000", "\u03A9"},
        {"uA", "0.05", ".", "\u00B5A", "0.05", "0.00000005", "A"},
        {"nF", "12.34", ".", "nF", "12.34", "0.00000001234", "F"},
        {"kHz", "1.000", ".", "kHz", "1.000", "1000", "Hz"},
        {"#", "23.5", ".", "\u00B0C", "23.5", "23.5", "\u00B0C"},
        {"?", "-4", ".", "\u00B0F", "-4", "-4", "\u00B0F"},
        {"*&", "00.05", ".", "\u03A9", "0.05", "0.05", "\u03A9"},  // continuity
        {"V)", "0.512", ".", "V", "0.512", "0.512", "V"},        // diode
        {"kRPM", "1.5", ".", "kRPM", "1.5", "1500", "RPM"},
        {"mA%", "4.00", ".", "mA%", "4.00", "4.00", "mA%"},  // no unit known: itself
        {"", "1234", ".", "", "1234", "1234", ""},
        {"k*", "0L", ".", "k\u03A9", "null", "null", "\u03A9"},  // overload
        {"V", "-", ".", "V", "null", "null", "V"},
        {"V", "1.2.3", ".", "V", "null", "null", "V"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.unitText) + " " + r.valueText);
        const ReadableUnit unit = readableUnit(r.unitText);
        EXPECT_EQ(unit.shown, r.unit);
        EXPECT_EQ(unit.base, r.baseUnit);
        EXPECT_EQ(decimalNumber(r.valueText, r.separator).value_or("null"), r.value);
        EXPECT_EQ(decimalNumber(r.valueText, r.separator, unit.powerOfTen).value_or("null"),
                  r.baseValue);
    }
}

TEST(ReadingMessage, IsOneLineOfJsonWithEveryField) {
    MeterReading reading;
    reading.valueText = "-0,012";
    reading.couplingText = "AC";
    reading.unitText = "mV";
    reading.rangeText = "MANU";
    ReadingMessage m;
    m.utcMs = 1796880751123;
    m.seq = 42;
    m.family = Family::Sorn;
    m.frame = "12\"3\\";
    m.reading = &reading;
    m.decimalSeparator = ",";
    EXPECT_EQ(readingJson(m),
              "{\"time\":\"2026-12-10T05:32:31.123Z\",\"seq\":42,\"family\":\"sorn\","
              "\"frame\":\"12\\\"3\\\\\",\"text\":\"-0,012\",\"value\":-0.012,\"unit\":\"mV\","
              "\"coupling\":\"AC\",\"range\":\"MANU\",\"overload\":false,"
              "\"base_value\":-0.000012,\"base_unit\":\"V\"}");
    EXPECT_EQ(utcTimeText(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(utcTimeText(-1), "1969-12-31T23:59:59.999Z");
}

// Every unit and point a family's frames carry, plain, negative and overloaded, decoded by the
// core: the message is a JSON object with exactly its fields, and its numbers agree.
TEST(ReadingMessage, EveryReadingTheDecodersGiveMakesAWholeMessage) {
    const std::set<std::string> fields = {"time",     "seq",   "family", "frame",
                                          "text",     "value", "unit",   "coupling",
                                          "range",    "overload", "base_value", "base_unit"};
    int messages = 0;
    for (Family family : {Family::Kelt, Family::Sorn, Family::Brio}) {
        MeterCore core;
        for (const DisplayScale& scale : displayScales(family)) {
            for (int variant = 0; variant < 3; ++variant) {
                MeterDisplay d;
                d.digits = std::string(static_cast<std::size_t>(displayDigits(family)), '7');
                d.decimals = scale.decimals;
                d.unit = scale.unit;
                d.negative = variant == 1;
                d.overload = variant == 2;
                std::string bytes;
                if (!encodeFrame(family, d, bytes)) continue;  // a display it cannot show
                const auto before = core.counters().decoded;
                core.receiveBytes(family, bytes.data(), static_cast<std::int32_t>(bytes.size()));
                if (core.counters().decoded == before) continue;
                SCOPED_TRACE(std::string(familyName(family)) + " " + scale.unit + " " +
                             core.reading().valueText);
                ReadingMessage m;
                m.seq = core.counters().decoded;
                m.family = family;
                m.frame = core.frameText();
                m.reading = &core.reading();
                m.decimalSeparator = core.state.localeDecimal;
                const auto object = FlatJsonReader(readingJson(m)).object();
                ASSERT_TRUE(object.has_value()) << readingJson(m);
                std::set<std::string> names;
                for (const auto& [name, value] : *object) names.insert(name);
                EXPECT_EQ(names, fields);
                const auto& value = object->at("value");
                const auto& base = object->at("base_value");
                EXPECT_EQ(object->at("overload").kind == FlatJsonValue::Kind::True, d.overload);
                EXPECT_EQ(value.kind == FlatJsonValue::Kind::Null, d.overload);
                EXPECT_EQ(object->at("frame").text, core.frameText());
                EXPECT_EQ(object->at("base_unit").text, readableUnit(scale.unit).base);
                if (!d.overload) {
                    const double shown = std::stod(value.text);
                    const double inBase = std::stod(base.text);
                    const double scaled = shown * std::pow(10.0, readableUnit(scale.unit)
                                                                       .powerOfTen);
                    EXPECT_NEAR(inBase, scaled, std::abs(scaled) * 1e-12);
                    EXPECT_EQ(shown < 0, d.negative);
                }
                ++messages;
            }
        }
    }
    EXPECT_GT(messages, 100);
}

}  // namespace
}  // namespace dmm
