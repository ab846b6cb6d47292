#include <gtest/gtest.h>

#include <map>
#include <set>

#include "grid_columns.h"
#include "record_table.h"
#include "test_tables.h"
#include "text_codec.h"

namespace dmm {
namespace {

using test::add;

struct StoredCase {
    std::string_view given;
    std::string_view stored;
};

class StoredTextTest : public testing::TestWithParam<StoredCase> {};

TEST_P(StoredTextTest, TextIsCutAndRightTrimmedOnStoring) {
    RecordTable t;
    add(t, 1, 0, GetParam().given, GetParam().given, GetParam().given, GetParam().given);
    for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
        ASSERT_TRUE(t.back().text(f).has_value()) << "an empty text must stay a value";
        EXPECT_EQ(*t.back().text(f), GetParam().stored) << "field " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, StoredTextTest,
    testing::Values(StoredCase{"", ""}, StoredCase{"DC", "DC"},
                    StoredCase{"  12.5", "  12.5"},               // leading blanks stay
                    StoredCase{"12.5  ", "12.5"},                 // trailing blanks go
                    StoredCase{"   ", ""},                        // blanks only: empty, not missing
                    StoredCase{"1234567890123456789012345", "12345678901234567890"},
                    StoredCase{"1234567890123456789   xyz", "1234567890123456789"},  // cut, then trim
                    StoredCase{"ab\t", "ab\t"},                   // only blanks are trailing blanks
                    // 20 characters, not 20 bytes: 19 letters and a two-byte degree sign
                    StoredCase{"abcdefghijklmnopqrs\xC2\xB0XYZ", "abcdefghijklmnopqrs\xC2\xB0"}));

TEST(RecordTable, FieldNamesAreFoundWithoutRegardToCase) {
    EXPECT_EQ(findField("no"), kFieldNo);
    EXPECT_EQ(findField("time"), kFieldTime);
    EXPECT_EQ(findField("dc/ac"), kFieldDcAc);
    EXPECT_EQ(findField("VALUE"), kFieldValue);
    EXPECT_EQ(findField("unit"), kFieldUnit);
    EXPECT_EQ(findField("AUTO"), kFieldAuto);
    EXPECT_EQ(findField("DCAC"), -1);
    EXPECT_EQ(findField(""), -1);
}

TEST(RecordTable, KeepsRecordsInOrderWithMissingValuesApart) {
    RecordTable t;
    for (int i = 0; i < 200000; ++i) {
        add(t, i, i % 86400000, i % 2 ? "AC" : "DC", std::to_string(i), "mV",
            i % 3 ? std::optional<std::string_view>("AUTO") : std::nullopt);
    }
    ASSERT_EQ(t.size(), 200000u);
    std::int32_t expected = 0;
    for (const auto row : t) {
        ASSERT_EQ(row.no(), expected);
        ASSERT_EQ(*row.text(kFieldValue), std::to_string(expected));
        ASSERT_EQ(*row.text(kFieldDcAc), expected % 2 ? "AC" : "DC");
        ASSERT_EQ(row.has(kFieldAuto), expected % 3 != 0);
        ++expected;
    }
    // The texts are pooled: two couplings, one unit, one range, the values.
    EXPECT_EQ(t.distinctTexts(), 200000u + 4u);
}

// Texts either side of the length that is pooled by its bytes alone, ones that differ only
// in length or in a zero byte, each added twice in a scrambled order.
TEST(RecordTable, EqualTextsShareOneNumberAndOthersNever) {
    std::vector<std::string> texts = {"", std::string(1, '\0'), std::string(2, '\0'), "a",
                                      std::string("a\0", 2), "1234567", "12345678",
                                      "123456789", std::string("1234567\0", 8), "-0.001"};
    for (int i = 0; i < 30000; ++i) texts.push_back(std::to_string(i * 7919 % 100003));
    for (int i = 0; i < 3000; ++i) texts.push_back("long text " + std::to_string(i));
    RecordTable t;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t k = 0; k < texts.size(); ++k) {
            const std::string& text = texts[(k * 7 + round) % texts.size()];
            add(t, 0, 0, text, text, text, text);
        }
    }
    std::set<std::string> distinct(texts.begin(), texts.end());
    EXPECT_EQ(t.distinctTexts(), distinct.size());
    std::map<std::string, std::uint32_t> ids;
    for (const auto row : t) {
        const std::string text(*row.text(kFieldValue));
        ASSERT_EQ(*row.text(kFieldDcAc), text);
        ASSERT_EQ(t.textById(row.textId(kFieldUnit)), text);
        const auto [at, added] = ids.emplace(text, row.textId(kFieldValue));
        ASSERT_EQ(at->second, row.textId(kFieldAuto)) << text;
    }
    EXPECT_EQ(ids.size(), distinct.size());
}

TEST(RecordTable, ChangeLogListsRecordsAppendedWhileLogging) {
    RecordTable t;
    add(t, 1, 0, "DC", "1", "V", "");
    EXPECT_TRUE(t.changeLog().empty());
    EXPECT_EQ(t.back().rowState(), 0);

    t.setChangeLogging(true);
    add(t, 2, 0, "DC", "2", "V", "");
    add(t, 3, 0, "DC", "3", "V", "");
    EXPECT_EQ(t.back().rowState(), kRowStateInserted);
    EXPECT_EQ(t.changeLog(), (std::vector<std::uint32_t>{2, 0, 4, 3, 0, 4}));

    // Emptying drops records and log, and logging stays on.
    t.clear();
    EXPECT_TRUE(t.empty());
    EXPECT_TRUE(t.changeLog().empty());
    add(t, 1, 0, "DC", "1", "V", "");
    EXPECT_EQ(t.changeLog(), (std::vector<std::uint32_t>{1, 0, 4}));
}

TEST(RecordTable, LoadedChangeLogIsKeptAndContinued) {
    RecordTable t;
    t.appendWithState({1, 0, {"DC", "1", "V", ""}}, 4);
    t.setChangeLogging(true);
    t.setLoadedChangeLog({1, 0, 4});
    add(t, 2, 0, "DC", "2", "V", "");
    EXPECT_EQ(t.changeLog(), (std::vector<std::uint32_t>{1, 0, 4, 2, 0, 4}));
}

TEST(GridColumns, CellsShowTheValuesAndEmptyForMissingOnes) {
    RecordTable t;
    add(t, -7, test::hms(13, 5, 7, 999), "DC", " 1.5", "k*", "");
    add(t, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    const LongTimeFormat fmt("%I:%M:%S %p");
    const std::vector<std::string> first = {"-7", "01:05:07 PM", "DC", " 1.5", "k*", ""};
    for (int c = 0; c < kFieldCount; ++c) {
        EXPECT_EQ(kGridColumns[c].title, kFields[c].name);
        EXPECT_EQ(gridCellText(t[0], c, fmt), first[c]) << c;
        EXPECT_EQ(gridCellText(t[1], c, fmt), "") << c;
    }
}

TEST(TextCodec, EveryWindows1252ByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = cp1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToCp1252(utf8), all);
    EXPECT_EQ(cp1252ToUtf8("\x80\xB0\xB5"), "\xE2\x82\xAC\xC2\xB0\xC2\xB5");  // euro, degree, micro
}

TEST(TextCodec, WhatTheCodePageLacksBecomesAQuestionMark) {
    EXPECT_EQ(utf8ToCp1252("\xE2\x84\xA6"), "?");        // ohm sign U+2126
    EXPECT_EQ(utf8ToCp1252("a\xFF" "b"), "a?b");         // not UTF-8
    EXPECT_EQ(utf8ToCp1252("\xC3"), "?");                // cut sequence
    EXPECT_EQ(utf8ToCp1252("\xED\xA0\x80"), "???");      // a surrogate is not a character
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));               // overlong
}

}  // namespace
}  // namespace dmm
