// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "tab_text.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::hms;

const LongTimeFormat kClock24("%H:%M:%S");

struct SplitCase {
    const char* name;
    std::string_view line;
    std::size_t most;
    std::vector<std::string_view> pieces;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << testing::PrintToString(c.line); }

class SplitTextTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, CutsAtEveryDelimiter) {
    std::vector<std::string_view> pieces{"left over"};
    splitText(GetParam().line, '\t', pieces, GetParam().most);
    EXPECT_EQ(pieces, GetParam().pieces);
}

constexpr std::size_t kAll = SIZE_MAX;

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitTextTest,
    testing::Values(SplitCase{"Empty", "", kAll, {""}},
                    SplitCase{"NoDelimiter", "abc", kAll, {"abc"}},
                    SplitCase{"DelimiterOnly", "\t", kAll, {"", ""}},
                    SplitCase{"EmptyPieceInside", "a\t\tb", kAll, {"a", "", "b"}},
                    SplitCase{"EmptyPieceAtTheEnd", "a\tb\t", kAll, {"a", "b", ""}},
                    SplitCase{"BlanksStay", "a b\tc", kAll, {"a b", "c"}},
                    SplitCase{"PastAWord", "0123456789\tabcdefgh\t\tx", kAll,
                              {"0123456789", "abcdefgh", "", "x"}},
                    SplitCase{"RestInTheLastPiece", "1\t2\t3\t4", 3, {"1", "2", "3\t4"}},
                    SplitCase{"OnePieceAtMost", "1\t2", 1, {"1\t2"}},
                    SplitCase{"AsManyAsAllowed", "1\t2\t3", 3, {"1", "2", "3"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TabText, WritesTheGoldenFile) {
    EXPECT_EQ(tabText(test::textGoldenTable(), kClock24), test::golden("plain_table.txt"));
    EXPECT_EQ(tabText(RecordTable(), kClock24), test::golden("empty_table.txt"));
}

TEST(TabTextReader, ReadsRecordsByPositionAfterTheHeader) {
    RecordTable t;
    const std::string text =
        "whatever the header says\r\n"
        "5\t10:20:30\tDC\t1.5\tmV\tAUTO\r\n"
        "6\t10:20:31\tNULL\t  lead\tx  \r\n"   // five pieces: Auto without value
        "  7\r"                              // CR alone ends a line; blanks before a number
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

void PrintTo(const BadLineCase& c, std::ostream* os) { *os << c.name; }

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

// Stops found beforehand (as on the reading thread) give the records of reading byte by
// byte, whatever the blocks and line ends.
TEST(TabTextReader, StopsFoundBeforehandGiveTheSameRecords) {
    const LongTimeFormat clock("%H:%M:%S");
    std::string text(kTabHeaderLine);
    for (int i = 0; i < 4000; ++i) {
        text += std::to_string(i) + "\t" + (i % 3 ? "10:00:0" + std::to_string(i % 10) : " 9:5:7") +
                "\t" + (i % 100 < 50 ? "DC" : "AC") + "\t" + std::to_string(i % 313 - 156) +
                (i % 170 ? "" : "\xB5") + "\t" + (i % 11 ? "mV" : "a long unit text") + "\t" +
                (i % 900 ? "AUTO" : "") + (i % 5 ? "\r\n" : i % 7 ? "\n" : "\r");
    }
    RecordTable expected;  // read byte by byte: pieces too short for the usual-line path
    TabTextReader slow(expected, clock);
    for (std::size_t at = 0; at < text.size(); at += 7) slow.feed(std::string_view(text).substr(at, 7));
    ASSERT_TRUE(slow.finish());
    for (std::size_t block : {100, 1000, 4096, 65536, 1 << 20}) {
        RecordTable t;
        TabTextReader reader(t, clock);
        TabTextReader::LineStops stops;
        for (std::size_t at = 0; at < text.size(); at += block) {
            const std::string_view bytes = std::string_view(text).substr(at, block);
            stops.find(bytes);
            ASSERT_TRUE(reader.feed(bytes, &stops));
        }
        ASSERT_TRUE(reader.finish());
        ASSERT_EQ(test::firstDifference(t, expected), "") << block;
        EXPECT_EQ(reader.recordsAdded(), 4000u);
        RecordTable whole;  // and all of it at once, its stops found a stretch at a time
        ASSERT_TRUE(readTabText(text, whole, clock));
        ASSERT_EQ(test::firstDifference(whole, expected), "");
    }
}

TEST(TabText, LineStopsAreEveryControlAndHighByte) {
    for (std::size_t size : {0, 1, 7, 8, 9, 63, 64, 65, 1000}) {
        const std::string block = test::randomBytes(size, static_cast<unsigned>(size));
        std::vector<std::uint32_t> stops(3, 77);  // longer than needed at first: never cut
        const std::size_t n = markLineStops(block, stops);
        std::vector<std::uint32_t> expected;
        for (std::size_t i = 0; i < block.size(); ++i) {
            const auto c = static_cast<unsigned char>(block[i]);
            if (c < 0x20 || c >= 0x80) expected.push_back(static_cast<std::uint32_t>(i));
        }
        ASSERT_EQ(std::vector<std::uint32_t>(stops.begin(), stops.begin() + n), expected) << size;
    }
}

}  // namespace
}  // namespace dmm
