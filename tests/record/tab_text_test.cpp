#include <gtest/gtest.h>

#include "tab_text.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::hms;

const LongTimeFormat kClock24("%H:%M:%S");

struct SplitCase {
    std::string_view line;
    std::vector<std::string_view> pieces;
};

class SplitTextTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, CutsAtEveryDelimiter) {
    std::vector<std::string_view> pieces{"left over"};
    SplitText(GetParam().line, '\t', pieces);
    EXPECT_EQ(pieces, GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(Lines, SplitTextTest,
                         testing::Values(SplitCase{"", {""}}, SplitCase{"abc", {"abc"}},
                                         SplitCase{"\t", {"", ""}},
                                         SplitCase{"a\t\tb", {"a", "", "b"}},
                                         SplitCase{"a\tb\t", {"a", "b", ""}},
                                         SplitCase{"a b\tc", {"a b", "c"}}));

TEST(TabText, WritesTheGoldenFile) {
    EXPECT_EQ(tabText(test::textGoldenTable(), kClock24), test::golden("plain_table.txt"));
    EXPECT_EQ(tabText(RecordTable(), kClock24), test::golden("empty_table.txt"));
}

struct TimeCase {
    const char* format;
    std::int32_t ms;
    const char* text;
};

class LongTimeTest : public testing::TestWithParam<TimeCase> {};

TEST_P(LongTimeTest, FormatsWithoutMillisecondsAndParsesBack) {
    const LongTimeFormat fmt(GetParam().format);
    EXPECT_EQ(fmt.format(GetParam().ms), GetParam().text);
    EXPECT_EQ(fmt.parse(GetParam().text), GetParam().ms / 1000 * 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LongTimeTest,
    testing::Values(TimeCase{"%H:%M:%S", hms(9, 5, 7, 250), "09:05:07"},
                    TimeCase{"%H:%M:%S", 0, "00:00:00"},
                    TimeCase{"%T", hms(23, 59, 59, 999), "23:59:59"},
                    TimeCase{"%I:%M:%S %p", hms(0, 0, 1), "12:00:01 AM"},
                    TimeCase{"%I:%M:%S %p", hms(12, 30, 0), "12:30:00 PM"},
                    TimeCase{"%I:%M:%S %p", hms(13, 5, 7), "01:05:07 PM"},
                    TimeCase{"%H.%M.%S %Z", hms(8, 0, 0), "08.00.00"},  // no time zone
                    TimeCase{"%k:%M:%S", hms(8, 1, 2), " 8:01:02"}));

TEST(LongTime, AcceptsTheTwentyFourHourFormsAndRefusesTheRest) {
    const LongTimeFormat fmt("%I:%M:%S %p");
    EXPECT_EQ(fmt.parse("13:05:07"), hms(13, 5, 7));
    EXPECT_EQ(fmt.parse(" 9:05 "), hms(9, 5, 0));
    for (const char* bad : {"NULL", "", "25:00:00", "12:60:00", "1:2:3:4", "noon"}) {
        EXPECT_EQ(fmt.parse(bad), std::nullopt) << bad;
    }
}

TEST(TabTextReader, ReadsRecordsByPositionAfterTheHeader) {
    RecordTable t;
    const std::string text =
        "whatever the header says\r\n"
        "5\t10:20:30\tDC\t1.5\tmV\tAUTO\r\n"
        "6\t10:20:31\tNULL\t  lead\tx  \r\n"   // five pieces: Auto without value
        "7\r"                                // CR alone ends a line, too
        "\t\t\t\t\t\n"                       // six empty pieces
        "8\t\xB0\t";                         // no final line break; a bad time
    std::string why;
    EXPECT_FALSE(readTabText(text, t, kClock24, &why));
    EXPECT_NE(why.find("line 6"), std::string::npos) << why;
    EXPECT_EQ(test::dump(t),
              "5|37230000|[DC]|[1.5]|[mV]|[AUTO]|s0\n"
              "6|37231000|[NULL]|[  lead]|[x]|-|s0\n"
              "7|-|-|-|-|-|s0\n"
              "-|-|[]|[]|[]|[]|s0\n");
}

TEST(TabTextReader, LineEndsAreFoundAcrossBlocks) {
    const std::string text = "h\r\n1\t00:00:01\r\n2\t00:00:02\r3\t00:00:03\n4\t00:00:04\r\n";
    // Feeding one byte at a time splits every CR LF pair.
    RecordTable t;
    TabTextReader reader(t, kClock24);
    for (char c : text) ASSERT_TRUE(reader.feed(std::string_view(&c, 1)));
    ASSERT_TRUE(reader.finish());
    EXPECT_EQ(t.size(), 4u);
    EXPECT_EQ(t.back().timeMs(), hms(0, 0, 4));
}

struct BadLineCase {
    const char* name;
    std::string text;
    std::size_t kept;  // records of the lines before the failing one
};

class TabTextFailureTest : public testing::TestWithParam<BadLineCase> {};

TEST_P(TabTextFailureTest, StopsAtTheFailingLineKeepingEarlierRecordsOnly) {
    RecordTable t;
    test::add(t, 100, 0, "DC", "old", "V", "");
    EXPECT_FALSE(readTabText(GetParam().text, t, kClock24));
    EXPECT_EQ(t.size(), 1 + GetParam().kept);
    EXPECT_EQ(t[0].no(), 100) << "records already in the table stay";
    for (std::size_t i = 1; i < t.size(); ++i) EXPECT_EQ(t[i].no(), static_cast<int>(i));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, TabTextFailureTest,
    testing::Values(
        BadLineCase{"LowerCaseNullTime", "h\r\n1\t00:00:01\r\n2\tnull\tDC\r\n3\t00:00:03\r\n", 1},
        BadLineCase{"SevenPieces", "h\r\n1\t00:00:01\r\n2\t00:00:02\ta\tb\tc\td\te\r\n", 1},
        BadLineCase{"NumberWithLetters", "h\r\n1\r\n2\r\nx3\t00:00:03\r\n", 2},
        BadLineCase{"NumberTooLarge", "h\r\n4294967296\r\n", 0},
        BadLineCase{"EmptyInput", "", 0},
        BadLineCase{"LineTooLong", "h\r\n1\r\n2\t00:00:01\t" + std::string(1 << 21, 'x'), 1}),
    [](const auto& info) { return info.param.name; });

TEST(TabTextReader, HeaderOnlyAddsNothingAndSucceeds) {
    for (const char* text : {"No\tTime\r\n", "No\tTime", "\r\n", "<?xml ...one long line...?>"}) {
        RecordTable t;
        EXPECT_TRUE(readTabText(text, t, kClock24)) << text;
        EXPECT_TRUE(t.empty());
    }
}

// Failures name the line they stopped at, the header being line 1; an empty input has no line.
TEST(TabTextReader, FailuresCountLinesFromOne) {
    const struct {
        std::string text;
        const char* says;
    } rows[] = {
        {"", "the file is empty"},
        {"h\r\n1\r\nx\r\n", "line 3: "},
        {"h\r\n1\r\n" + std::string(TabTextReader::kMaxLine + 1, '7'), "line 3: line too long"},
        {"h\r\n" + std::string(TabTextReader::kMaxLine + 1, '7') + "\r\n", "line 2: line too long"},
    };
    for (const auto& row : rows) {
        RecordTable t;
        std::string why;
        EXPECT_FALSE(readTabText(row.text, t, kClock24, &why));
        EXPECT_EQ(why.find(row.says), 0u) << why;
    }
}

// What the writer makes of any text, the reader takes back as one record of six values: a
// TAB, CR or LF inside a value becomes a blank, and a missing time ("NULL") stays missing.
TEST(TabTextReader, ReadsBackValuesHoldingLineBreaksAndMissingTimes) {
    const struct {
        const char* value;
        const char* readBack;
    } rows[] = {
        {"a\tb", "a b"},     {"a\rb", "a b"},       {"a\nb", "a b"},
        {"a\r\n\tb", "a   b"}, {"\t x\ty \n", "x y"}, {"\t\r\n", "NULL"},
    };
    for (const auto& row : rows) {
        RecordTable t;
        test::add(t, 1, std::nullopt, row.value, row.value, row.value, row.value);
        test::add(t, 2, hms(1, 2, 3), "DC", "1", "V", "");
        const std::string text = tabText(t, kClock24);
        RecordTable back;
        std::string why;
        ASSERT_TRUE(readTabText(text, back, kClock24, &why)) << why << "\n" << text;
        ASSERT_EQ(back.size(), 2u) << text;
        EXPECT_EQ(back[0].timeMs(), std::nullopt);
        for (int f = kFieldDcAc; f <= kFieldAuto; ++f) EXPECT_EQ(back[0].text(f), row.readBack) << f;
        EXPECT_EQ(back[1].timeMs(), hms(1, 2, 3));
        EXPECT_EQ(tabText(back, kClock24), text) << "a second round changes nothing";
    }
}

TEST(TabTextReader, ReadsWhatTheWriterWrites) {
    RecordTable t;
    test::add(t, 1, hms(9, 5, 7, 250), "DC", "12.345", "\xC2\xB5" "A", "AUTO");
    test::add(t, -2, hms(23, 0, 0), "AC", "-0.001", "k*", "MANU");
    RecordTable back;
    ASSERT_TRUE(readTabText(tabText(t, kClock24), back, kClock24));
    EXPECT_EQ(test::dump(back),
              "1|32707000|[DC]|[12.345]|[\xC2\xB5" "A]|[AUTO]|s0\n"
              "-2|82800000|[AC]|[-0.001]|[k*]|[MANU]|s0\n");
}

}  // namespace
}  // namespace dmm
