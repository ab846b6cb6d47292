// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "record_table.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::add;

struct StoredCase {
    std::string_view given;
    std::string_view stored;
};

void PrintTo(const StoredCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.given) << " stored as " << testing::PrintToString(c.stored);
}

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
    // Two couplings, one unit and one range are pooled; the short values stay in the records.
    EXPECT_EQ(t.distinctTexts(), 4u);
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
        const auto [at, added] = ids.emplace(text, row.textId(kFieldDcAc));
        ASSERT_EQ(at->second, row.textId(kFieldAuto)) << text;
        // A value of up to eight bytes is kept in the record, a longer one shares the pool.
        ASSERT_EQ(row.pooled(kFieldValue), text.size() > 8) << text;
        if (row.pooled(kFieldValue)) {
            ASSERT_EQ(row.textId(kFieldValue), at->second) << text;
        }
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

std::vector<std::string> valuesOf(const RecordTable& t) {
    std::vector<std::string> v;
    for (const auto row : t) v.emplace_back(*row.text(kFieldValue));
    return v;
}

void addNumbered(RecordTable& t, int from, int count) {
    for (int i = from; i < from + count; ++i) {
        add(t, i, i, "DC", std::to_string(i), "V", i % 2 ? "AUTO" : "MANU");
    }
}

// Storage is kept across clear(), truncate() and eraseFront(); the records must still come
// back in order, with nothing of the records that were there before, across block borders.
TEST(RecordTable, ReusedStorageHoldsOnlyTheNewRecords) {
    RecordTable t;
    addNumbered(t, 0, 5000);
    t.clear();
    EXPECT_TRUE(t.empty());
    addNumbered(t, 100000, 3000);
    ASSERT_EQ(t.size(), 3000u);
    EXPECT_EQ(*t[0].text(kFieldValue), "100000");
    EXPECT_EQ(*t.back().text(kFieldValue), "102999");
    EXPECT_EQ(t.back().no(), 102999);

    t.truncate(70);  // inside the second block
    addNumbered(t, 7, 2);
    ASSERT_EQ(t.size(), 72u);
    EXPECT_EQ(*t[69].text(kFieldValue), "100069");
    EXPECT_EQ(*t[70].text(kFieldValue), "7");
    EXPECT_EQ(*t[71].text(kFieldAuto), "MANU");

    RecordTable u;
    addNumbered(u, 0, 130);
    addNumbered(u, 1000, 4000);
    u.eraseFront(130);
    std::vector<std::string> expected;
    for (int i = 1000; i < 5000; ++i) expected.push_back(std::to_string(i));
    EXPECT_EQ(valuesOf(u), expected);
    addNumbered(u, 5000, 1);
    EXPECT_EQ(u.size(), 4001u);
    EXPECT_EQ(*u.back().text(kFieldValue), "5000");
    EXPECT_EQ(*u[4000 - 1].text(kFieldValue), "4999");
}

// A moved-from table is empty and usable; the table moved to keeps appending where it was.
TEST(RecordTable, MovedTablesStayConsistent) {
    RecordTable a;
    addNumbered(a, 0, 100);
    RecordTable b(std::move(a));
    EXPECT_EQ(a.size(), 0u);  // NOLINT(bugprone-use-after-move): the moved-from state is tested
    addNumbered(a, 7, 1);
    EXPECT_EQ(*a.back().text(kFieldValue), "7");
    addNumbered(b, 100, 1);
    ASSERT_EQ(b.size(), 101u);
    EXPECT_EQ(*b[99].text(kFieldValue), "99");
    EXPECT_EQ(*b[100].text(kFieldValue), "100");
    a = std::move(b);
    EXPECT_EQ(a.size(), 101u);
    EXPECT_EQ(*a.back().text(kFieldUnit), "V");
}

}  // namespace
}  // namespace dmm
