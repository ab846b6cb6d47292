#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "atomic_file.h"
#include "data_files.h"
#include "data_packet_xml.h"
#include "tab_text.h"
#include "text_codec.h"
#include "temp_dir.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::hms;

const LongTimeFormat kClock24("%H:%M:%S");

class DataFilesTest : public testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(DataFilesTest, ExtensionChoosesTheFormat) {
    EXPECT_EQ(dataFileFormatOf("a.xml"), DataFileFormat::Xml);
    EXPECT_EQ(dataFileFormatOf("/x/A.XmL"), DataFileFormat::Xml);
    EXPECT_EQ(dataFileFormatOf("a.xls"), DataFileFormat::Text);
    EXPECT_EQ(dataFileFormatOf("a.txt"), DataFileFormat::Text);
    EXPECT_EQ(dataFileFormatOf("a.xml.bak"), DataFileFormat::Text);
    EXPECT_EQ(dataFileFormatOf("dir.xml/data"), DataFileFormat::Text);
    EXPECT_EQ(dataFileFormatOf("xml"), DataFileFormat::Text);
}

TEST_F(DataFilesTest, SavesEachFormatWithTheSuccessMessage) {
    const struct {
        const char* name;
        const char* golden;
    } cases[] = {{"t.xls", "plain_table.txt"}, {"t.txt", "plain_table.txt"},
                 {"t.dat", "plain_table.txt"}, {"t.XML", "plain_table.xml"}};
    for (const auto& c : cases) {
        const RecordTable table = std::string(c.golden).ends_with(".xml") ? test::xmlGoldenTable()
                                                                          : test::textGoldenTable();
        const std::string path = dir.file(c.name);
        const SaveOutcome o = saveDataFile(table, path, kClock24);
        EXPECT_TRUE(o.ok) << c.name;
        EXPECT_EQ(o.message, information("Save table to specified file: " + path + " Scuss!"));
        EXPECT_EQ(test::readFile(path), test::golden(c.golden)) << c.name;
    }
}

TEST_F(DataFilesTest, SavingReplacesAnOlderFileAndKeepsItsPermissions) {
    const std::string path = dir.file("t.txt");
    test::writeFile(path, std::string(100000, 'x'));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(saveDataFile(RecordTable(), path, kClock24).ok);
    EXPECT_EQ(test::readFile(path), test::golden("empty_table.txt"));
    struct stat st{};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no temporary file is left behind";
}

TEST_F(DataFilesTest, SavingThroughASymbolicLinkReplacesTheFileItNames) {
    const std::string real = dir.file("real.xml");
    const std::string link = dir.file("link.xml");
    test::writeFile(real, "old");
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(saveDataFile(RecordTable(), link, kClock24).ok);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(test::readFile(real), test::golden("empty_table.xml"));
}

TEST_F(DataFilesTest, XmlLoadReplacesAllRecordsAndSwitchesLoggingOn) {
    const std::string path = dir.file("in.xml");
    test::writeFile(path, test::golden("plain_table.xml"));
    RecordTable t;
    test::add(t, 50, 0, "DC", "old", "V", "");
    const LoadOutcome o = loadDataFile(path, t, false, kClock24);
    ASSERT_TRUE(o.ok) << o.reason;
    EXPECT_EQ(test::dump(t), test::dump(test::xmlGoldenTable()));
    EXPECT_TRUE(t.changeLogging());
}

// The packet's rows are read after the table's own records, which go only once the packet has
// been read whole: a packet that fails late (after many rows, across the blocks of the file)
// leaves every record, the change log and the logging switch as they were.
TEST_F(DataFilesTest, XmlLoadFailingLateLeavesTheTableAsItWas) {
    RecordTable source;
    for (int i = 0; i < 40000; ++i) test::add(source, i, hms(8, 0, i % 60), "DC", std::to_string(i), "V", "AUTO");
    const std::string good = dir.file("good.xml");
    ASSERT_TRUE(saveDataFile(source, good, kClock24).ok);

    RecordTable t;
    for (int i = 0; i < 150; ++i) test::add(t, i, 0, "AC", "before", "mV", "");
    const LoadOutcome o = loadDataFile(good, t, false, kClock24);
    ASSERT_TRUE(o.ok) << o.reason;
    EXPECT_EQ(o.recordsAdded, 40000u);
    EXPECT_EQ(test::firstDifference(t, source), "");
    const std::string loaded = dataPacket(t);

    std::string bad = dataPacket(source);
    bad.replace(bad.find("No=\"39990\""), 10, "No=\"x\" No");  // a value given twice
    const std::string badPath = dir.file("bad.xml");
    test::writeFile(badPath, bad);
    const LoadOutcome failed = loadDataFile(badPath, t, false, kClock24);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(dataPacket(t), loaded) << "records, row states and change log as before";
    EXPECT_TRUE(t.changeLogging());
    test::add(t, 7, 0, "DC", "after", "V", "");
    EXPECT_EQ(t.size(), 40001u);
    EXPECT_EQ(*t.back().text(kFieldValue), "after");
}

// A text file of many blocks is read on a second thread; the records are those of the same
// bytes read in memory, whichever block a line (or its CR LF) falls in.
TEST_F(DataFilesTest, LargeTextFileReadsAsTheSameBytesInMemory) {
    std::string text = std::string(kTabHeaderLine);
    for (int i = 0; i < 60000; ++i) {
        text += std::to_string(i) + "\t" + (i % 3 ? "10:00:0" + std::to_string(i % 10) : " 9:5:7") +
                "\t" + (i % 1000 < 500 ? "DC" : "AC") + "\t" + std::to_string(i % 313 - 156) +
                (i % 17 ? "" : "\xB5") + "\t" + (i % 11 ? "mV" : "") + "\t" + "AUTO" +
                (i % 5 ? "\r\n" : "\n");
    }
    const std::string path = dir.file("big.txt");
    test::writeFile(path, text);
    RecordTable fromFile;
    const LoadOutcome o = loadDataFile(path, fromFile, false, kClock24);
    ASSERT_TRUE(o.ok) << o.reason;
    RecordTable inMemory;
    TabTextReader reader(inMemory, kClock24);
    for (std::size_t at = 0; at < text.size(); at += 7) reader.feed(std::string_view(text).substr(at, 7));
    ASSERT_TRUE(reader.finish());
    ASSERT_EQ(fromFile.size(), 60000u);
    EXPECT_EQ(test::firstDifference(fromFile, inMemory), "");
    EXPECT_EQ(*fromFile[1].text(kFieldValue), "-155");
    EXPECT_EQ(fromFile[3].timeMs(), hms(9, 5, 7));
}

TEST_F(DataFilesTest, TextLoadedTwiceDoublesTheRecords) {
    const std::string path = dir.file("in.txt");
    test::writeFile(path, "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n"
                          "1\t09:05:07\tDC\t1.0\tV\tAUTO\r\n"
                          "2\t09:05:08\tDC\t1.1\tV\tNULL\r\n");
    RecordTable t;
    ASSERT_TRUE(loadDataFile(path, t, false, kClock24).ok);
    ASSERT_TRUE(loadDataFile(path, t, false, kClock24).ok);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[2].no(), 1);
    EXPECT_EQ(*t[3].text(kFieldAuto), "NULL") << "\"NULL\" is read as the four letters";
    EXPECT_FALSE(t.changeLogging());
}

TEST_F(DataFilesTest, XmlFileRenamedToTextAddsNothingAndReportsNothing) {
    const std::string path = dir.file("renamed.txt");
    test::writeFile(path, test::golden("plain_table.xml"));
    RecordTable t;
    const LoadOutcome o = loadDataFile(path, t, false, kClock24);
    EXPECT_TRUE(o.ok);
    EXPECT_TRUE(t.empty());
}

// A file that says it is UTF-8 and turns out not to be only far behind a value read as UTF-8 is
// read again from its start as Windows-1252.
TEST_F(DataFilesTest, XmlFileDeclaredUtf8ButNotIsReadAgainAsWindows1252) {
    std::string rows = "<ROW No=\"1\" Value=\"\xC3\xA9\"/>";
    for (int i = 0; i < 10000; ++i) rows += "<ROW No=\"2\" Time=\"09:05:07250\" Value=\"1\"/>";
    rows += "<ROW No=\"3\" Value=\"\xE9\"/>";  // not UTF-8, far past the first window
    std::string packet = test::golden("empty_table.xml");
    packet.insert(packet.find("<ROWDATA>") + 9, rows);
    packet.replace(0, packet.find("?>"), "<?xml version=\"1.0\" encoding=\"UTF-8\"");
    const std::string path = dir.file("declared.xml");
    test::writeFile(path, packet);
    RecordTable t;
    const LoadOutcome o = loadDataFile(path, t, false, kClock24);
    ASSERT_TRUE(o.ok) << o.reason;
    ASSERT_EQ(t.size(), 10002u);
    EXPECT_EQ(t[0].text(kFieldValue), "\xC3\x83\xC2\xA9");  // the two bytes, each a character
    EXPECT_EQ(t[10001].text(kFieldValue), "\xC3\xA9");
}

struct LoadFailureCase {
    const char* name;
    const char* file;
    std::string bytes;  // nothing written when empty and the name says "Missing"
    std::size_t rowsAfter;
};

void PrintTo(const LoadFailureCase& c, std::ostream* os) { *os << c.name; }

class LoadFailureTest : public DataFilesTest, public testing::WithParamInterface<LoadFailureCase> {};

TEST_P(LoadFailureTest, ReportsFailedToLoadFile) {
    const auto& c = GetParam();
    const std::string path = dir.file(c.file);
    if (std::string_view(c.name) != "MissingFile") test::writeFile(path, c.bytes);
    RecordTable t;
    test::add(t, 100, 0, "DC", "kept", "V", "");
    const LoadOutcome o = loadDataFile(path, t, false, kClock24);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message, error("Failed to Load File!"));
    EXPECT_EQ(o.message.caption(), "Error");
    EXPECT_EQ(t.size(), c.rowsAfter);
    EXPECT_EQ(t[0].no(), 100);
    EXPECT_FALSE(t.changeLogging()) << "a failed XML load changes nothing";
}

const std::string kHeader = "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n";

INSTANTIATE_TEST_SUITE_P(
    Failures, LoadFailureTest,
    testing::Values(
        LoadFailureCase{"BadTime", "a.txt", kHeader + "1\t09:00:00\r\n2\t9 o'clock\tDC\r\n3\t09:00:02\r\n", 2},
        LoadFailureCase{"SevenPieces", "a.xls", kHeader + "1\t09:00:00\tDC\t1\tV\tAUTO\textra\r\n", 1},
        LoadFailureCase{"EmptyFile", "a.txt", "", 1},
        LoadFailureCase{"MissingFile", "absent.txt", "", 1},
        LoadFailureCase{"MissingXmlFile", "absent.xml", "", 1},
        LoadFailureCase{"EmptyXmlFile", "a.xml", "", 1},
        LoadFailureCase{"XmlFieldOfTheWrongKind", "a.xml",
                        [] {
                            std::string p = test::golden("plain_table.xml");
                            p.replace(p.find("\"time\""), 6, "\"i4\"");
                            return p;
                        }(),
                        1},
        LoadFailureCase{"TextFileLoadedAsXml", "a.xml", test::golden("plain_table.txt"), 1}),
    [](const auto& info) { return info.param.name; });

// ---- Fault injection: a failed save never shows success and never spoils the old file.

constexpr std::string_view kOldContents = "the old file, still intact\r\n";

RecordTable bigTable() {
    RecordTable t;
    for (int i = 0; i < 20000; ++i) test::add(t, i, hms(10, 0, 0), "DC", "123.45", "mV", "AUTO");
    return t;
}

// Runs `body` in a child process and returns its wait status.
template <typename F>
int inChild(F body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST_F(DataFilesTest, SavingToAFullDeviceReportsTheFailure) {
    const SaveOutcome text = saveDataFile(bigTable(), "/dev/full", kClock24);
    EXPECT_FALSE(text.ok);
    EXPECT_EQ(text.message, error("Could not save table to specified file: /dev/full"));

    // A device is written in place: the XML name check needs a name ending in .xml.
    const std::string link = dir.file("full.xml");
    std::filesystem::create_symlink("/dev/full", link);
    const SaveOutcome xml = saveDataFile(bigTable(), link, kClock24);
    EXPECT_FALSE(xml.ok);
    EXPECT_EQ(xml.message.kind, Message::Kind::Error);
    EXPECT_EQ(xml.message.text, "Cannot create file \"" + link + "\". " + xml.reason);
    EXPECT_FALSE(xml.reason.empty());
}

TEST_F(DataFilesTest, DiskFullWhileWritingLeavesTheOldFile) {
    for (const char* name : {"full.txt", "full.xml"}) {
        const std::string path = dir.file(name);
        test::writeFile(path, kOldContents);
        const int status = inChild([&] {
            rlimit small{64 * 1024, 64 * 1024};  // the file system "fills up" at 64 KiB
            ::setrlimit(RLIMIT_FSIZE, &small);
            std::signal(SIGXFSZ, SIG_IGN);
            const SaveOutcome o = saveDataFile(bigTable(), path, kClock24);
            return !o.ok && o.message.kind == Message::Kind::Error ? 0 : 1;
        });
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
        EXPECT_EQ(test::readFile(path), kOldContents) << name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
        << "the temporary files are removed";
}

// The text of a file is made while it is written; running out of memory half-way must
// neither touch the old file nor leave the temporary one behind.
TEST_F(DataFilesTest, FailureWhileMakingTheTextLeavesTheOldFile) {
    const std::string path = dir.file("old.txt");
    test::writeFile(path, kOldContents);
    const auto throwHalfWay = [](const ByteSink& sink) -> bool {
        sink(std::string(1 << 20, 'x'));
        throw std::bad_alloc();
    };
    std::string reason;
    EXPECT_THROW(writeFileAtomically(path, throwHalfWay, &reason), std::bad_alloc);
    EXPECT_EQ(test::readFile(path), kOldContents);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "the temporary file is removed";
}

TEST_F(DataFilesTest, SaveKilledMidWayLeavesTheOldFile) {
    for (const char* name : {"killed.txt", "killed.xml"}) {
        const std::string path = dir.file(name);
        test::writeFile(path, kOldContents);
        const int status = inChild([&] {
            rlimit small{64 * 1024, 64 * 1024};  // SIGXFSZ kills the process at 64 KiB
            ::setrlimit(RLIMIT_FSIZE, &small);
            std::signal(SIGXFSZ, SIG_DFL);
            saveDataFile(bigTable(), path, kClock24);
            return 0;
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << "the save was meant to be killed";
        EXPECT_EQ(test::readFile(path), kOldContents) << name;
    }
}

TEST_F(DataFilesTest, SavingIntoADirectoryWithoutWritePermissionLeavesTheOldFile) {
    const std::string path = dir.file("locked.xls");
    const std::string xmlPath = dir.file("locked.xml");
    test::writeFile(path, kOldContents);
    test::writeFile(xmlPath, kOldContents);
    ::chmod(dir.path().c_str(), 0555);
    const int status = inChild([&] {
        // Root writes anywhere: drop to an unprivileged user for the attempt.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 3;
        const SaveOutcome text = saveDataFile(bigTable(), path, kClock24);
        const SaveOutcome xml = saveDataFile(bigTable(), xmlPath, kClock24);
        const bool right =
            !text.ok && text.message == error("Could not save table to specified file: " + path) &&
            !xml.ok && xml.message.text.starts_with("Cannot create file \"" + xmlPath + "\". ");
        return right ? 0 : 1;
    });
    ::chmod(dir.path().c_str(), 0700);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "running as root without the right to drop it";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::readFile(path), kOldContents);
    EXPECT_EQ(test::readFile(xmlPath), kOldContents);
}

// A text longer than the 20 characters a field keeps is cut (trailing blanks aside), in a
// value and in a pooled text, from either format, and every cut text is counted.
TEST_F(DataFilesTest, LoadsCutLongTextsAndCountThem) {
    std::string micro25;
    for (int i = 0; i < 25; ++i) micro25 += "\xC2\xB5";
    const struct {
        std::string text;
        std::string kept;
        bool cut;
    } rows[] = {
        {"12345678901234567890", "12345678901234567890", false},
        {"123456789012345678901", "12345678901234567890", true},
        {"1234567890123456789 x", "1234567890123456789", true},
        {"abc" + std::string(30, ' '), "abc", false},
        {micro25, micro25.substr(0, 40), true},
        {std::string(100000, 'W'), std::string(20, 'W'), true},
    };
    std::string text = std::string(kTabHeaderLine);
    std::string xml = test::golden("empty_table.xml");
    std::string xmlRows;
    std::size_t cut = 0;
    for (const auto& r : rows) {
        const std::string t = utf8ToCp1252(r.text);
        text += "1\t10:00:00\tDC\t" + t + "\t" + t + "\tAUTO\r\n";
        xmlRows += "<ROW No=\"1\" Time=\"10:00:00000\" DC/AC=\"DC\" Value=\"" + t + "\" Unit=\"" + t +
                   "\" Auto=\"AUTO\"/>";
        cut += r.cut ? 2 : 0;
    }
    xml.insert(xml.find("</ROWDATA>"), xmlRows);
    for (const auto& [name, bytes] : {std::pair{"long.txt", text}, std::pair{"long.xml", xml}}) {
        SCOPED_TRACE(name);
        test::writeFile(dir.file(name), bytes);
        RecordTable table;
        const LoadOutcome o = loadDataFile(dir.file(name), table, false, kClock24);
        ASSERT_TRUE(o.ok) << o.reason;
        EXPECT_EQ(o.textsCut, cut);
        ASSERT_EQ(table.size(), std::size(rows));
        for (std::size_t i = 0; i < table.size(); ++i) {
            EXPECT_EQ(table[i].text(kFieldValue), rows[i].kept) << i;
            EXPECT_EQ(table[i].text(kFieldUnit), rows[i].kept) << i;
        }
    }
}

// The XML packet keeps a character the code page lacks as a character reference; TAB text,
// which cannot, has a question mark for it. What the code page has goes through both.
TEST_F(DataFilesTest, CharactersTheCodePageLacksSurviveTheXmlPacket) {
    const struct {
        const char* text;
        const char* asTabText;
        const char* inPacket;  // part of the file
    } rows[] = {
        {"\xCE\xA9", "?", "Value=\"&#937;\""},                         // omega
        {"\xE2\x98\x83 1", "? 1", "Value=\"&#9731; 1\""},              // snowman
        {"\xF0\x9D\x84\x9E", "?", "Value=\"&#119070;\""},              // outside the BMP
        {"\xE2\x82\xAC\xC2\xB5\xC2\xB0", "\xE2\x82\xAC\xC2\xB5\xC2\xB0", "Value=\"\x80\xB5\xB0\""},
        {"&#937;\xCE\xA9", "&#937;?", "Value=\"&amp;#937;&#937;\""},  // a reference as text
    };
    RecordTable table;
    for (const auto& r : rows) test::add(table, 1, hms(10, 0, 0), "DC", r.text, "V", "AUTO");
    for (const char* name : {"t.xml", "t.txt"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(saveDataFile(table, dir.file(name), kClock24).ok);
        RecordTable loaded;
        ASSERT_TRUE(loadDataFile(dir.file(name), loaded, false, kClock24).ok);
        ASSERT_EQ(loaded.size(), std::size(rows));
        const bool xml = dataFileFormatOf(name) == DataFileFormat::Xml;
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            EXPECT_EQ(loaded[i].text(kFieldValue), xml ? rows[i].text : rows[i].asTabText) << i;
            if (xml) {
                EXPECT_NE(test::readFile(dir.file(name)).find(rows[i].inPacket), std::string::npos);
            }
        }
    }
}

// The temporary file of a save has no name where the file system allows; where it has one, a
// stop signal's handler removes it, and one left by SIGKILL goes with the next save into the
// folder, but never the file of a save still under way.
TEST_F(DataFilesTest, TemporaryFilesGoWithTheSaveTheSignalOrTheNextSave) {
    struct Restore {
        ~Restore() { makeTemporaryFilesWithoutNames(true); }
    } restore;
    const auto temporaryFiles = [this] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            const std::string n = e.path().filename().string();
            if (n.find(".dmmtmp.") != std::string::npos) names.push_back(n);
        }
        return names;
    };
    // A save in a child process that stops half-way and waits for `hold` to close; `ready`
    // says when it has begun writing.
    const auto startSave = [&](bool unnamed, int signal, int ready[2], int hold[2]) {
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(hold), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            makeTemporaryFilesWithoutNames(unnamed);
            struct sigaction sa {};
            // As dmmcli's handler does: the file goes, then the signal ends the process.
            sa.sa_handler = [](int signal) {
                removeTemporaryFileBeingWritten();
                ::raise(signal);
            };
            sa.sa_flags = SA_RESETHAND | SA_NODEFER;
            if (signal != SIGKILL) ::sigaction(signal, &sa, nullptr);
            ::close(hold[1]);
            writeFileAtomically(
                dir.file("target.txt"),
                [&](const ByteSink& sink) {
                    sink("half");
                    [[maybe_unused]] const ssize_t w = ::write(ready[1], "x", 1);
                    char c;
                    [[maybe_unused]] const ssize_t r = ::read(hold[0], &c, 1);
                    return true;
                },
                nullptr);
            ::_exit(0);
        }
        ::close(hold[0]);
        char c;
        EXPECT_EQ(::read(ready[0], &c, 1), 1) << "the save began";
        return pid;
    };
    const struct {
        bool unnamed;
        int signal;
        std::size_t namedWhileWriting;
        std::size_t leftAfterTheSignal;
    } rows[] = {
        {true, SIGKILL, 0, 0},  {true, SIGTERM, 0, 0}, {false, SIGTERM, 1, 0},
        {false, SIGHUP, 1, 0},  {false, SIGINT, 1, 0}, {false, SIGKILL, 1, 1},
    };
    // A file system that cannot make files without a name (some network ones) makes them named.
    const int probe = ::open(dir.path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (probe >= 0) ::close(probe);
    for (const auto& r : rows) {
        if (r.unnamed && probe < 0) continue;
        SCOPED_TRACE(std::string(r.unnamed ? "unnamed, " : "named, ") + strsignal(r.signal));
        test::writeFile(dir.file("target.txt"), kOldContents);
        int ready[2], hold[2];
        const pid_t pid = startSave(r.unnamed, r.signal, ready, hold);
        EXPECT_EQ(temporaryFiles().size(), r.namedWhileWriting);
        ::kill(pid, r.signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == r.signal);
        for (const int fd : {ready[0], ready[1], hold[1]}) ::close(fd);
        EXPECT_EQ(test::readFile(dir.file("target.txt")), kOldContents);
        EXPECT_EQ(temporaryFiles().size(), r.leftAfterTheSignal);
    }
    // A save under way keeps its file while another save removes the one left behind.
    makeTemporaryFilesWithoutNames(false);
    int ready[2], hold[2], killedReady[2], killedHold[2];
    const pid_t pid = startSave(false, SIGKILL, ready, hold);
    const pid_t killed = startSave(false, SIGKILL, killedReady, killedHold);
    ::kill(killed, SIGKILL);
    ASSERT_EQ(::waitpid(killed, nullptr, 0), killed);
    for (const int fd : {killedReady[0], killedReady[1], killedHold[1]}) ::close(fd);
    ASSERT_EQ(temporaryFiles().size(), 2u);
    ASSERT_TRUE(saveDataFile(RecordTable(), dir.file("other.txt"), kClock24).ok);
    EXPECT_EQ(temporaryFiles().size(), 1u) << "only the one left behind goes";
    ::close(hold[1]);  // the save goes on and ends
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (const int fd : {ready[0], ready[1]}) ::close(fd);
    EXPECT_EQ(test::readFile(dir.file("target.txt")), "half");
    EXPECT_TRUE(temporaryFiles().empty());
}

}  // namespace
}  // namespace dmm

namespace dmm {
namespace {

// What every data file format promises, run once per format.
class DataFileContractTest : public testing::TestWithParam<const char*> {
protected:
    std::string path(const std::string& stem = "table") const { return dir.file(stem + GetParam()); }
    test::TempDir dir;
};

TEST_P(DataFileContractTest, WhatIsSavedLoadsBackAsTheSameRecords) {
    RecordTable saved;
    test::add(saved, 1, hms(0, 0, 0), "DC", "-0.001", "mV", "AUTO");
    test::add(saved, 2, hms(12, 34, 56), "AC+DC", " 1.5", "\xC2\xB5" "A", "MANU");
    test::add(saved, 2147483647, hms(23, 59, 59), "AC", "OL", "M*", "x");
    ASSERT_TRUE(saveDataFile(saved, path(), kClock24).ok);
    RecordTable loaded;
    const LoadOutcome o = loadDataFile(path(), loaded, false, kClock24);
    ASSERT_TRUE(o.ok) << o.reason;
    EXPECT_EQ(o.recordsAdded, 3u);
    std::string expected = test::dump(saved);
    if (dataFileFormatOf(path()) == DataFileFormat::Text) {
        expected.replace(expected.find("[ 1.5]"), 6, "[1.5]");  // text values are trimmed
    }
    // Rows read from a packet carry no change state of their own.
    EXPECT_EQ(test::dump(loaded), expected);
}

// A table whose file takes several of the blocks a save is written in, with texts that change
// from record to record and some that are missing.
RecordTable manyBlocksTable() {
    RecordTable t;
    for (int i = 0; i < 100000; ++i) {
        const std::string value = std::to_string(i % 977 - 488) + "." + std::to_string(i % 10);
        test::add(t, i, hms(i / 3600 % 24, i / 60 % 60, i % 60, i % 1000), i % 7 ? "DC" : "AC",
                  value, i % 5 ? std::optional<std::string_view>("mV") : std::nullopt, "AUTO");
    }
    return t;
}

TEST_P(DataFileContractTest, SavedFileIsTheWholeTextAcrossBlocks) {
    const RecordTable table = manyBlocksTable();
    ASSERT_TRUE(saveDataFile(table, path(), kClock24).ok);
    const std::string whole = dataFileFormatOf(path()) == DataFileFormat::Xml
                                  ? dataPacket(table)
                                  : tabText(table, kClock24);
    ASSERT_GT(whole.size(), std::size_t{3} << 20);
    EXPECT_TRUE(test::readFile(path()) == whole);
}

TEST_P(DataFileContractTest, WriterStopsWhenTheSinkRefuses) {
    const RecordTable table = manyBlocksTable();
    int calls = 0;
    std::size_t bytes = 0;
    const ByteSink refuseSecond = [&](std::string_view piece) {
        bytes += piece.size();
        return ++calls < 2;
    };
    const bool ok = dataFileFormatOf(path()) == DataFileFormat::Xml
                        ? writeDataPacket(table, refuseSecond)
                        : writeTabText(table, kClock24, refuseSecond);
    EXPECT_FALSE(ok);
    EXPECT_EQ(calls, 2);
    EXPECT_LT(bytes, std::size_t{3} << 20);
}

TEST_P(DataFileContractTest, AnEmptyTableSavesAndLoadsAsEmpty) {
    ASSERT_TRUE(saveDataFile(RecordTable(), path(), kClock24).ok);
    RecordTable loaded;
    EXPECT_TRUE(loadDataFile(path(), loaded, false, kClock24).ok);
    EXPECT_TRUE(loaded.empty());
}

TEST_P(DataFileContractTest, SavingToAMissingDirectoryFailsWithoutSuccessMessage) {
    const std::string p = dir.file("no/such/dir/t") + GetParam();
    const SaveOutcome o = saveDataFile(test::xmlGoldenTable(), p, kClock24);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message.kind, Message::Kind::Error);
    EXPECT_EQ(o.message.text.find("Scuss"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(p));
}

INSTANTIATE_TEST_SUITE_P(Formats, DataFileContractTest, testing::Values(".xml", ".xls", ".txt"),
                         [](const auto& info) { return std::string(info.param + 1); });

}  // namespace
}  // namespace dmm
