#include <gtest/gtest.h>

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

class DataPacketVariantTest : public testing::TestWithParam<VariantCase> {};

TEST_P(DataPacketVariantTest, IsAccepted) {
    RecordTable t;
    std::string why;
    ASSERT_TRUE(readDataPacket(GetParam().packet, t, &why)) << why;
    EXPECT_EQ(test::dump(t), GetParam().rows);
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

class DataPacketRefusedTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(DataPacketRefusedTest, IsRefusedWithAReason) {
    RecordTable t;
    std::string why;
    EXPECT_FALSE(readDataPacket(GetParam().packet, t, &why));
    EXPECT_FALSE(why.empty());
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
        RefusedCase{"UnclosedComment", "<!-- " + packetWithRows(kOneRow)}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace dmm
