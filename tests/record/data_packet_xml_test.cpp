// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "data_packet_xml.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::hms;

// The packet's fixed head, written once here from the format rules.
const std::string kHead =
    "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"No\" fieldtype=\"i4\"/><FIELD attrname=\"Time\" fieldtype=\"time\"/>"
    "<FIELD attrname=\"DC/AC\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Auto\" fieldtype=\"string\" WIDTH=\"20\"/></FIELDS>";

std::string packetWithRows(const std::string& rows) {
    return kHead + "<PARAMS/></METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

// A source that hands out `bytes` at most `piece` bytes at a time.
ByteSource piecesOf(const std::string& bytes, std::size_t piece) {
    auto at = std::make_shared<std::size_t>(0);
    return [&bytes, piece, at](char* to, std::size_t room) {
        const std::size_t n = std::min({room, piece, bytes.size() - *at});
        std::memcpy(to, bytes.data() + *at, n);
        *at += n;
        return static_cast<std::ptrdiff_t>(n);
    };
}

// Widths of the reading window and sizes of the pieces a source gives: elements then fall
// across windows at every place, and some are wider than the window.
constexpr std::size_t kWindows[] = {16, 61, 300, 4096};
constexpr std::size_t kPieces[] = {1, 7, 1000};

TEST(DataPacketWriter, WritesTheGoldenFiles) {
    EXPECT_EQ(dataPacket(RecordTable()), test::golden("empty_table.xml"));
    EXPECT_EQ(dataPacket(test::xmlGoldenTable()), test::golden("plain_table.xml"));
}

TEST(DataPacketWriter, ChangeLogFormAfterALoadAndTwoNewRecords) {
    RecordTable t;
    ASSERT_TRUE(readDataPacket(test::golden("plain_table.xml"), t));
    test::add(t, 8, hms(10, 0, 1), "DC", "0.001", "V", "AUTO");
    test::add(t, 9, hms(10, 0, 2, 500), "", "OL", "k*", "");
    EXPECT_EQ(dataPacket(t), test::golden("change_log_table.xml"));
}

TEST(DataPacketReader, WhatIsWrittenReadsBackIdentically) {
    for (const char* name : {"plain_table.xml", "change_log_table.xml", "empty_table.xml"}) {
        const std::string bytes = test::golden(name);
        RecordTable t;
        std::string why;
        ASSERT_TRUE(readDataPacket(bytes, t, &why)) << name << ": " << why;
        EXPECT_TRUE(t.changeLogging()) << name;
        EXPECT_EQ(dataPacket(t), bytes) << name;
    }
    RecordTable t;
    ASSERT_TRUE(readDataPacket(test::golden("plain_table.xml"), t));
    EXPECT_EQ(test::dump(t), test::dump(test::xmlGoldenTable()));
}

struct VariantCase {
    const char* name;
    std::string packet;
    std::string rows;  // dump of the rows read
};

void PrintTo(const VariantCase& c, std::ostream* os) { *os << c.name; }

class DataPacketVariantTest : public testing::TestWithParam<VariantCase> {};

TEST_P(DataPacketVariantTest, IsAccepted) {
    RecordTable t;
    std::string why;
    ASSERT_TRUE(readDataPacket(GetParam().packet, t, &why)) << why;
    EXPECT_EQ(test::dump(t), GetParam().rows);
}

TEST_P(DataPacketVariantTest, IsAcceptedAlsoThroughANarrowWindow) {
    const std::string& packet = GetParam().packet;
    for (std::size_t window : kWindows) {
        for (std::size_t piece : kPieces) {
            RecordTable t;
            std::string why;
            ASSERT_TRUE(readDataPacket(piecesOf(packet, piece), t, &why, window))
                << "window " << window << ", pieces of " << piece << ": " << why;
            EXPECT_EQ(test::dump(t), GetParam().rows) << "window " << window << ", piece " << piece;
        }
    }
}

const std::string kOneRow = "<ROW No=\"1\" Time=\"09:05:07250\" DC/AC=\"DC\" Value=\"1\" Unit=\"V\" Auto=\"\"/>";
const std::string kOneRowDump = "1|32707250|[DC]|[1]|[V]|[]|s0\n";
const std::string kBody = kHead.substr(kHead.find("<DATAPACKET"));

INSTANTIATE_TEST_SUITE_P(
    Variants, DataPacketVariantTest,
    testing::Values(
        VariantCase{"NoDeclaration", kBody + "<PARAMS/></METADATA><ROWDATA>" + kOneRow +
                                         "</ROWDATA></DATAPACKET>",
                    kOneRowDump},
        VariantCase{"BlanksAndControlsFirst", " \r\n\t\x01" + packetWithRows(kOneRow), kOneRowDump},
        VariantCase{"NoDatapacket",
                    "<METADATA><FIELDS><FIELD attrname=\"No\" fieldtype=\"i4\"/>"
                    "<FIELD attrname=\"Time\" fieldtype=\"time\"/>"
                    "<FIELD attrname=\"DC/AC\" fieldtype=\"string\" WIDTH=\"20\"/>"
                    "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
                    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
                    "<FIELD attrname=\"Auto\" fieldtype=\"string\" WIDTH=\"20\"/></FIELDS>"
                    "</METADATA><ROWDATA>" + kOneRow + "</ROWDATA>",
                    kOneRowDump},
        VariantCase{"AttributesInAnyOrderWithOtherQuotes",
                    packetWithRows("<ROW Auto='' Unit=\"V\" Value='1' DC/AC=\"DC\" "
                                   "Time=\"09:05:07250\"  No = \"1\" />"),
                    kOneRowDump},
        VariantCase{"MissingAttributesGiveNoValue", packetWithRows("<ROW Value=\"2\"/><ROW/>"),
                    "-|-|-|[2]|-|-|s0\n-|-|-|-|-|-|s0\n"},
        VariantCase{"OtherTypesAndExtraFields",
                    "<DATAPACKET><METADATA><FIELDS>"
                    "<FIELD attrname=\"Extra\" fieldtype=\"r8\"/>"
                    "<FIELD attrname=\"no\" fieldtype=\"ui2\"/>"
                    "<FIELD attrname=\"TIME\" fieldtype=\"time\"/>"
                    "<FIELD attrname=\"DC_AC\" fieldname=\"DC/AC\" fieldtype=\"string.uni\" WIDTH=\"40\"/>"
                    "<FIELD attrname=\"Value\" fieldtype=\"string\"></FIELD>"
                    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"8\"/>"
                    "<FIELD attrname=\"Auto\" fieldtype=\"string\" WIDTH=\"20\"/>"
                    "<FIELD attrname=\"When\" fieldtype=\"dateTime\"/>"
                    "</FIELDS></METADATA><ROWDATA>"
                    "<ROW Extra=\"1.5e3\" no=\"3\" TIME=\"01:02:03\" DC_AC=\"AC\" When=\"x\"></ROW>"
                    "<ROWX Value=\"v\"/></ROWDATA></DATAPACKET>",
                    "3|3723000|[AC]|-|-|-|s0\n-|-|-|[v]|-|-|s0\n"},
        VariantCase{"NumericReferences",
                    packetWithRows("<ROW Value=\"&#65;&#x42;&#X63;&#9;&#176;&#x20AC;&apos;\"/>"),
                    "-|-|-|[AB""c\t\xC2\xB0\xE2\x82\xAC']|-|-|s0\n"},
        VariantCase{"Windows1252Bytes", packetWithRows("<ROW Unit=\"\xB5" "A\" Value=\"\x80" "1\"/>"),
                    "-|-|-|[\xE2\x82\xAC" "1]|[\xC2\xB5" "A]|-|s0\n"},
        VariantCase{"ByteOrderMarkMeansUtf8",
                    "\xEF\xBB\xBF" + packetWithRows("<ROW Unit=\"\xC2\xB5" "A\"/>"),
                    "-|-|-|-|[\xC2\xB5" "A]|-|s0\n"},
        VariantCase{"Utf8Declaration",
                    "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + kBody +
                        "<PARAMS/></METADATA><ROWDATA><ROW Unit=\"\xC2\xB5" "A\"/></ROWDATA></DATAPACKET>",
                    "-|-|-|-|[\xC2\xB5" "A]|-|s0\n"},
        VariantCase{"Utf8DeclarationOverAnsiText",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + kBody +
                        "<PARAMS/></METADATA><ROWDATA><ROW Unit=\"\xB5" "A\"/></ROWDATA></DATAPACKET>",
                    "-|-|-|-|[\xC2\xB5" "A]|-|s0\n"},
        VariantCase{"NumberForms",
                    packetWithRows("<ROW No=\"-12\"/><ROW No=\" +7\"/><ROW No=\"12abc\"/>"
                                   "<ROW No=\"x12\"/><ROW No=\"\"/><ROW No=\"--\"/>"),
                    "-12|-|-|-|-|-|s0\n7|-|-|-|-|-|s0\n12|-|-|-|-|-|s0\n"
                    "-|-|-|-|-|-|s0\n-|-|-|-|-|-|s0\n-|-|-|-|-|-|s0\n"},
        VariantCase{"TimeForms",
                    packetWithRows("<ROW Time=\"09:05:07\"/><ROW Time=\"09:05:0725\"/>"
                                   "<ROW Time=\"23:59:59999\"/><ROW Time=\"00:00\"/><ROW Time=\"\"/>"),
                    "-|32707000|-|-|-|-|s0\n-|32707250|-|-|-|-|s0\n-|86399999|-|-|-|-|s0\n"
                    "-|0|-|-|-|-|s0\n-|-|-|-|-|-|s0\n"},
        VariantCase{"RowStateAndChangeLog",
                    kHead + "<PARAMS CHANGE_LOG=\" 2  0 4 \"/></METADATA><ROWDATA><ROW No=\"1\"/>"
                            "<ROW RowState=\"4\" No=\"2\"/></ROWDATA></DATAPACKET>",
                    "1|-|-|-|-|-|s0\n2|-|-|-|-|-|s4\n"},
        VariantCase{"CommentsAndLineBreaks",
                    "<?xml version=\"1.0\"?>\r\n<!-- saved -->\r\n" + kBody +
                        "<PARAMS></PARAMS></METADATA>\r\n<ROWDATA>\r\n  " + kOneRow +
                        "\r\n</ROWDATA>\r\n</DATAPACKET>\r\n",
                    kOneRowDump},
        VariantCase{"SelfClosedRowdata", kHead + "<PARAMS/></METADATA><ROWDATA/></DATAPACKET>", ""}),
    [](const auto& info) { return info.param.name; });

TEST(DataPacketReader, ChangeLogIsReadBackAndContinued) {
    RecordTable t;
    ASSERT_TRUE(readDataPacket(kHead + "<PARAMS CHANGE_LOG=\"2 0 4\"/></METADATA><ROWDATA>"
                                       "<ROW No=\"1\"/><ROW RowState=\"4\" No=\"2\"/></ROWDATA>"
                                       "</DATAPACKET>",
                               t));
    test::add(t, 3, 0, "", "", "", "");
    EXPECT_EQ(t.changeLog(), (std::vector<std::uint32_t>{2, 0, 4, 3, 0, 4}));
}

struct RefusedCase {
    const char* name;
    std::string packet;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class DataPacketRefusedTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(DataPacketRefusedTest, IsRefusedWithAReason) {
    RecordTable t;
    std::string why;
    EXPECT_FALSE(readDataPacket(GetParam().packet, t, &why));
    EXPECT_FALSE(why.empty());
}

TEST_P(DataPacketRefusedTest, IsRefusedAlsoThroughANarrowWindow) {
    for (std::size_t window : kWindows) {
        for (std::size_t piece : kPieces) {
            RecordTable t;
            std::string why;
            EXPECT_FALSE(readDataPacket(piecesOf(GetParam().packet, piece), t, &why, window))
                << "window " << window << ", pieces of " << piece;
            EXPECT_FALSE(why.empty());
        }
    }
}

std::string withField(const std::string& from, const std::string& to) {
    std::string p = packetWithRows("");
    p.replace(p.find(from), from.size(), to);
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Refused, DataPacketRefusedTest,
    testing::Values(
        RefusedCase{"Empty", ""},
        RefusedCase{"NotXml", "No\tTime\tDC/AC\r\n1\t09:00:00\r\n"},
        RefusedCase{"NoMetadata", "<DATAPACKET><ROWDATA><ROW No=\"1\"/></ROWDATA></DATAPACKET>"},
        RefusedCase{"MissingField", withField("<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>", "")},
        RefusedCase{"TimeAsText", withField("fieldtype=\"time\"", "fieldtype=\"string\"")},
        RefusedCase{"NumberAsFloat", withField("fieldtype=\"i4\"", "fieldtype=\"r8\"")},
        RefusedCase{"TextAsNumber", withField("attrname=\"Auto\" fieldtype=\"string\"", "attrname=\"Auto\" fieldtype=\"i4\"")},
        RefusedCase{"TruncatedInARow", packetWithRows(kOneRow).substr(0, packetWithRows(kOneRow).find("Value=\"1"))},
        RefusedCase{"UnclosedPacket", packetWithRows(kOneRow).substr(0, packetWithRows(kOneRow).size() - 13)},
        RefusedCase{"TrailingGarbage", packetWithRows(kOneRow) + "x"},
        RefusedCase{"TwoPackets", packetWithRows(kOneRow) + packetWithRows(kOneRow)},
        RefusedCase{"UnknownEntity", packetWithRows("<ROW Value=\"&nbsp;\"/>")},
        RefusedCase{"BareAmpersand", packetWithRows("<ROW Value=\"a & b\"/>")},
        RefusedCase{"ReferenceToZero", packetWithRows("<ROW Value=\"&#0;\"/>")},
        RefusedCase{"ReferenceBeyondUnicode", packetWithRows("<ROW Value=\"&#x110000;\"/>")},
        RefusedCase{"HugeReference", packetWithRows("<ROW Value=\"&#99999999999999999999;\"/>")},
        RefusedCase{"LessThanInValue", packetWithRows("<ROW Value=\"a<b\"/>")},
        RefusedCase{"UnquotedValue", packetWithRows("<ROW No=1/>")},
        RefusedCase{"HoursOutsideTheDay", packetWithRows("<ROW Time=\"24:00:00000\"/>")},
        RefusedCase{"MinutesOutsideTheHour", packetWithRows("<ROW Time=\"10:60:00000\"/>")},
        RefusedCase{"SecondsOutsideTheMinute", packetWithRows("<ROW Time=\"10:00:60000\"/>")},
        RefusedCase{"TimeWithLetters", packetWithRows("<ROW Time=\"1O:00:00\"/>")},
        RefusedCase{"TimeTooLong", packetWithRows("<ROW Time=\"10:00:000000\"/>")},
        RefusedCase{"NumberBeyond32Bits", packetWithRows("<ROW No=\"2147483648\"/>")},
        RefusedCase{"ValueGivenTwice", packetWithRows("<ROW No=\"1\" no=\"2\"/>")},
        RefusedCase{"BadRowState", packetWithRows("<ROW RowState=\"x\"/>")},
        RefusedCase{"BadChangeLog", kHead + "<PARAMS CHANGE_LOG=\"1 0 -4\"/></METADATA><ROWDATA></ROWDATA></DATAPACKET>"},
        RefusedCase{"ElementStyleRow", packetWithRows("<ROW><No>1</No></ROW>")},
        RefusedCase{"TextInRowdata", packetWithRows("1 2 3")},
        RefusedCase{"NestedFieldTable", withField("<FIELD attrname=\"No\" fieldtype=\"i4\"/>",
                                                  "<FIELD attrname=\"No\" fieldtype=\"i4\"><FIELDS/></FIELD>")},
        RefusedCase{"ByteOrderMarkOverAnsi", "\xEF\xBB\xBF" + packetWithRows("<ROW Unit=\"\xB5\"/>")},
        RefusedCase{"UnclosedComment", "<!-- " + packetWithRows(kOneRow)},
        // Rows of the writer's own form, with rows enough after them that they are read by
        // the fixed-step path: its refusals must be those of the general one.
        RefusedCase{"WritersRowOutsideTheDay",
                    packetWithRows("<ROW No=\"1\" Time=\"24:00:00000\" DC/AC=\"DC\" Value=\"1\" "
                                   "Unit=\"V\" Auto=\"A\"/>" + [] {
                                       std::string rows;
                                       for (int i = 0; i < 20; ++i) rows += kOneRow;
                                       return rows;
                                   }())},
        RefusedCase{"WritersRowWithSecondsOutsideTheMinute",
                    packetWithRows(kOneRow + kOneRow +
                                   "<ROW No=\"1\" Time=\"09:05:60000\" DC/AC=\"DC\" Value=\"1\" "
                                   "Unit=\"V\" Auto=\"A\"/>" + kOneRow + kOneRow + kOneRow +
                                   kOneRow + kOneRow)},
        RefusedCase{"WritersRowWithNumberBeyond32Bits",
                    packetWithRows("<ROW No=\"9999999999\" Time=\"09:05:07250\" DC/AC=\"DC\" "
                                   "Value=\"1\" Unit=\"V\" Auto=\"A\"/>" + kOneRow + kOneRow +
                                   kOneRow + kOneRow + kOneRow)}),
    [](const auto& info) { return info.param.name; });

// Many rows, most in the writer's own form and some not (a row state, a missing value, a
// reference, a long or non-ASCII text, blanks between rows): read whole and read through
// windows of every width, the table is the same, and it is the table that was written.
TEST(DataPacketReader, ManyRowsReadTheSameWholeAndThroughAnyWindow) {
    RecordTable written;
    for (int i = 0; i < 3000; ++i) {
        const std::string value = i % 97 == 0 ? "a&b<" + std::to_string(i)
                                  : i % 89 == 0 ? "123456789.0123"
                                  : i % 83 == 0 ? "\xC2\xB5" + std::to_string(i)
                                                : std::to_string(i % 200 - 100) + ".5";
        test::add(written, i % 71 == 0 ? std::nullopt : std::optional<std::int32_t>(i),
                  hms(i / 3600 % 24, i / 60 % 60, i % 60, (i * 7) % 1000), i % 500 < 250 ? "DC" : "AC",
                  value, i % 1000 < 700 ? "mV" : "V", "AUTO");
        if (i == 1500) written.setChangeLogging(true);  // later rows carry RowState="4"
    }
    const std::string original = dataPacket(written);
    std::string packet = original;
    const std::size_t middle = packet.rfind("<ROW", packet.find("No=\"2000\""));
    ASSERT_NE(middle, std::string::npos);
    packet.insert(middle, " \r\n ");
    RecordTable whole;
    std::string why;
    ASSERT_TRUE(readDataPacket(packet, whole, &why)) << why;
    EXPECT_EQ(dataPacket(whole), original);
    for (std::size_t window : kWindows) {
        RecordTable t;
        ASSERT_TRUE(readDataPacket(piecesOf(packet, 4096), t, &why, window)) << window << ": " << why;
        EXPECT_EQ(test::firstDifference(t, whole), "") << "window " << window;
    }
    ASSERT_EQ(whole.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        ASSERT_EQ(whole[i].no(), written[i].no()) << i;
        ASSERT_EQ(whole[i].timeMs(), written[i].timeMs()) << i;
        for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
            ASSERT_EQ(whole[i].text(f), written[i].text(f)) << i << " field " << f;
        }
        ASSERT_EQ(whole[i].rowState(), written[i].rowState()) << i;
    }
}

// The window's edge at every place of a packet: between elements above all, where the end of
// what has been read must not pass for the end of the input.
TEST(DataPacketReader, WindowEdgeAtEveryPlaceReadsTheSame) {
    for (const char* name : {"plain_table.xml", "change_log_table.xml", "empty_table.xml"}) {
        const std::string packet = test::golden(name);
        RecordTable whole;
        ASSERT_TRUE(readDataPacket(packet, whole));
        for (std::size_t window = 16; window <= packet.size() + 16; ++window) {
            RecordTable t;
            std::string why;
            ASSERT_TRUE(readDataPacket(piecesOf(packet, 1), t, &why, window))
                << name << ", window " << window << ": " << why;
            ASSERT_EQ(test::dump(t), test::dump(whole)) << name << ", window " << window;
        }
    }
}

// Blanks, NUL bytes and comments, wherever they may stand and however many, pass through the
// window without being kept: the room the reader asks its source to fill stays near the
// window's width. Each row: where the run goes, what it is made of, and whether the packet
// then still reads.
TEST(DataPacketReader, RunsOfBlanksAndCommentsPassThroughTheWindow) {
    const std::string kRun(std::size_t{4} << 20, ' ');
    const std::string kNuls(kRun.size(), '\0');
    const std::string rows = kOneRow + kOneRow;
    const std::string packet = packetWithRows(rows);
    const std::size_t rowAt = packet.find("<ROW");
    const std::size_t attrAt = packet.find(" Time=", rowAt);
    const std::size_t endTagAt = packet.find("</ROWDATA") + 9;
    const struct {
        const char* where;
        std::string bytes;
        bool ok;
    } cases[] = {
        {"blanks first", kRun + packet, true},
        {"NULs first, and nothing else", kNuls, false},
        {"NULs after the packet", packet + kNuls, true},
        {"NULs after the packet, then junk", packet + kNuls + "x", false},
        {"blanks between rows", packet.substr(0, rowAt) + kRun + packet.substr(rowAt), true},
        {"blanks inside a row's tag", packet.substr(0, attrAt) + kRun + packet.substr(attrAt), true},
        {"blanks inside an end tag", packet.substr(0, endTagAt) + kRun + packet.substr(endTagAt), true},
        {"a comment between rows", packet.substr(0, rowAt) + "<!--" + kRun + "--->" + packet.substr(rowAt), true},
        {"a comment after the packet", packet + "<!--" + kRun + "-->" + kNuls, true},
    };
    constexpr std::size_t kWindow = 4096;
    for (const auto& c : cases) {
        std::size_t at = 0;
        std::size_t widest = 0;
        const ByteSource source = [&](char* to, std::size_t room) {
            widest = std::max(widest, room);
            const std::size_t n = std::min({room, std::size_t{65536}, c.bytes.size() - at});
            std::memcpy(to, c.bytes.data() + at, n);
            at += n;
            return static_cast<std::ptrdiff_t>(n);
        };
        RecordTable t;
        std::string why;
        EXPECT_EQ(readDataPacket(source, t, &why, kWindow), c.ok) << c.where << ": " << why;
        EXPECT_LE(widest, 8 * kWindow) << c.where;
        if (c.ok) {
            EXPECT_EQ(test::dump(t), kOneRowDump + kOneRowDump) << c.where;
        }
        RecordTable whole;
        EXPECT_EQ(readDataPacket(c.bytes, whole), c.ok) << c.where << " read whole";
    }
}

// Whether text declared as UTF-8 is UTF-8 is found out while it is read. A byte that is not
// UTF-8 far behind a value that was read as UTF-8 makes the reader go back to the start and
// read all as Windows-1252, as when the whole text is looked at first; without a way back the
// load fails. Before any value depended on it, nothing needs reading again.
TEST(DataPacketReader, DecidesOnUtf8WhileReading) {
    const std::string declared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    auto row = [](const std::string& value) {
        return "<ROW No=\"1\" Time=\"09:05:07250\" DC/AC=\"DC\" Value=\"" + value +
               "\" Unit=\"V\" Auto=\"\"/>";
    };
    std::string filler;
    for (int i = 0; i < 200; ++i) filler += kOneRow;
    const std::string eAcute = "\xC3\xA9";  // UTF-8
    const struct {
        const char* name;
        std::string packet;
        bool ok;               // read whole, or with a way back
        const char* first;     // the first row's value
        bool readsAgain;
    } cases[] = {
        {"UTF-8 throughout", declared + packetWithRows(row(eAcute) + filler + row(eAcute)).substr(kHead.find("<DATAPACKET")), true, "\xC3\xA9", false},
        {"not UTF-8 far behind a UTF-8 value", declared + packetWithRows(row(eAcute) + filler + row("\xE9")).substr(kHead.find("<DATAPACKET")), true, "\xC3\x83\xC2\xA9", true},
        {"not UTF-8 behind ASCII only", declared + packetWithRows(row("a") + filler + row("\xE9")).substr(kHead.find("<DATAPACKET")), true, "a", false},
        {"a cut sequence at the very end", declared + packetWithRows(row(eAcute) + filler) + "\xC3", false, "", false},
        {"byte-order mark over text that is not UTF-8", "\xEF\xBB\xBF" + packetWithRows(row(eAcute) + filler + row("\xE9")), false, "", false},
    };
    for (const auto& c : cases) {
        RecordTable whole;
        EXPECT_EQ(readDataPacket(c.packet, whole), c.ok) << c.name;
        for (const bool canGoBack : {true, false}) {
            std::size_t at = 0;
            int rewinds = 0;
            const ByteSource source = [&](char* to, std::size_t room) {
                const std::size_t n = std::min({room, std::size_t{100}, c.packet.size() - at});
                std::memcpy(to, c.packet.data() + at, n);
                at += n;
                return static_cast<std::ptrdiff_t>(n);
            };
            const Rewind back = [&] {
                at = 0;
                ++rewinds;
                return true;
            };
            RecordTable t;
            std::string why;
            const bool expected = c.ok && (canGoBack || !c.readsAgain);
            ASSERT_EQ(readDataPacket(source, t, &why, 256, canGoBack ? back : Rewind()), expected)
                << c.name << (canGoBack ? "" : ", no way back") << ": " << why;
            EXPECT_EQ(rewinds, canGoBack && c.readsAgain ? 1 : 0) << c.name;
            if (!expected) continue;
            EXPECT_EQ(test::dump(t), test::dump(whole)) << c.name;
            EXPECT_EQ(t[0].text(kFieldValue), c.first) << c.name;
        }
    }
}

TEST(DataPacketReader, AReadErrorFailsWithItsReason) {
    const std::string packet = packetWithRows(kOneRow + kOneRow + kOneRow);
    std::size_t at = 0;
    const ByteSource failing = [&](char* to, std::size_t room) -> std::ptrdiff_t {
        if (at >= 300) {
            errno = EIO;
            return -1;
        }
        const std::size_t n = std::min<std::size_t>(room, 100);
        std::memcpy(to, packet.data() + at, n);
        at += n;
        return static_cast<std::ptrdiff_t>(n);
    };
    RecordTable t;
    std::string why;
    EXPECT_FALSE(readDataPacket(failing, t, &why, 64));
    EXPECT_NE(why.find(std::strerror(EIO)), std::string::npos) << why;
}

}  // namespace
}  // namespace dmm
