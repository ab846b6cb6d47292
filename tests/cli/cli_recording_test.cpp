// dmmcli end to end: the recorder behind decode, and convert between the data file formats.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "data_files.h"
#include "temp_dir.h"
#include "test_tables.h"

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

// Runs dmmcli in the C locale with the given shell-quoted arguments; stderr goes to `errFile`.
CliRun dmmcli(const std::string& args, const std::string& errFile = "/dev/null") {
    const std::string cmd =
        "LC_ALL=C " + std::string(DMMCLI_PATH) + " " + args + " 2>'" + errFile + "'";
    CliRun run;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return run;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) run.out.append(buf, n);
    const int rc = ::pclose(p);
    run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return run;
}

// The record_no column of decode's output, one entry per frame.
std::vector<std::string> recordNumbers(const std::string& out) {
    std::vector<std::string> numbers;
    std::istringstream in(out);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        std::istringstream fields(line);
        for (std::string f; std::getline(fields, f, '\t');) cols.push_back(f);
        numbers.push_back(cols.size() > 14 ? cols[14] : "?");
    }
    return numbers;
}

class DmmcliRecordingTest : public testing::Test {
protected:
    std::string capture(const std::vector<const char*>& frames) {
        std::string bytes = "\n";  // the assembler starts at the end of a frame
        for (const char* f : frames) bytes += std::string(f) + "\r\n";
        const std::string path = dir.file("capture.bin");
        dmm::test::writeFile(path, bytes);
        return path;
    }
    dmm::test::TempDir dir;
};

constexpr const char* kA = "123462121";
constexpr const char* kB = "123252121";

TEST_F(DmmcliRecordingTest, DecodeRecordsByTheWindowsRulesAndTheOptions) {
    const std::string in = capture({kA, kA, kA, kB, kB});
    const struct {
        const char* options;
        std::vector<std::string> numbers;
    } cases[] = {
        {"", {"1", "2", "3", "4", "5"}},
        {"--no-repeat", {"1", "", "", "4", ""}},
        {"--limit 2", {"1", "2", "", "", ""}},
        {"--limit 0", {"", "", "", "", ""}},
        {"--interval 3600", {"1", "", "", "", ""}},
        {"--interval 0", {"1", "2", "3", "4", "5"}},
    };
    for (const auto& c : cases) {
        const CliRun run = dmmcli(std::string("decode ") + c.options + " '" + in + "'");
        EXPECT_EQ(run.status, 0) << c.options;
        EXPECT_EQ(recordNumbers(run.out), c.numbers) << c.options;
    }
}

TEST_F(DmmcliRecordingTest, ConvertGoesBetweenTheFormatsThroughTheSameCode) {
    const std::string xml = dir.file("in.xml");
    dmm::test::writeFile(xml, dmm::test::golden("change_log_table.xml"));
    ASSERT_EQ(dmmcli("convert '" + xml + "' '" + dir.file("copy.xml") + "'").status, 0);
    EXPECT_EQ(dmm::test::readFile(dir.file("copy.xml")), dmm::test::golden("change_log_table.xml"));

    const std::string text = dir.file("in.txt");
    const std::string header = "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n";
    const std::string body = "1\t09:05:07\tDC\t12.345\tmV\tAUTO\r\n2\t13:00:00\tAC\t-0.5\tk*\tMANU\r\n";
    dmm::test::writeFile(text, header + body);
    ASSERT_EQ(dmmcli("convert '" + text + "' '" + dir.file("mid.XML") + "'").status, 0);
    ASSERT_EQ(dmmcli("convert '" + dir.file("mid.XML") + "' '" + dir.file("out.xls") + "'").status, 0);
    EXPECT_EQ(dmm::test::readFile(dir.file("out.xls")), header + body);
}

TEST_F(DmmcliRecordingTest, ConvertReportsFailuresAndLeavesTheTargetAlone) {
    const std::string target = dir.file("target.xml");
    dmm::test::writeFile(target, "keep me");
    const std::string err = dir.file("err.txt");
    const std::string bad = dir.file("bad.txt");
    dmm::test::writeFile(bad, "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n1\tnoon\r\n");
    EXPECT_EQ(dmmcli("convert '" + bad + "' '" + target + "'", err).status, 1);
    EXPECT_NE(dmm::test::readFile(err).find("Failed to Load File!"), std::string::npos);
    EXPECT_EQ(dmmcli("convert '" + dir.file("none.xml") + "' '" + target + "'").status, 1);
    EXPECT_EQ(dmmcli("convert only-one-name").status, 2);
    EXPECT_EQ(dmm::test::readFile(target), "keep me");
}

// Any table that loads, from either format, goes through convert and back to the same table in
// both formats: its packet converts to the same packet, its TAB text to the same TAB text, and
// its packet to the same TAB text. The inputs: the fuzz corpora (a TAB text's first line made
// the header, which the load drops whatever it holds), the golden files, and packets whose
// values hold what the formats replace or cannot hold. Every table goes through the load and the
// save that convert calls, in this process; the hand-made tables and the first of each corpus go
// through dmmcli convert as well, which must write the same bytes (a launch for every table
// would take minutes).
TEST_F(DmmcliRecordingTest, EveryTableThatLoadsConvertsBackToItselfInBothFormats) {
    struct Input {
        std::string name;
        std::string bytes;
        std::string corpus;  // empty for the hand-made ones
    };
    std::vector<Input> inputs;
    namespace fs = std::filesystem;
    const std::string header = "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n";
    for (const std::string corpus : {"corpus_packet", "corpus_text"}) {
        const bool text = corpus == "corpus_text";
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(fs::path(FUZZ_RECORD_DIR) / corpus)) {
            files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::string bytes = dmm::test::readFile(file.string()).substr(1);  // the cut byte
            if (text) {
                const std::size_t end = bytes.find_first_of("\r\n");
                std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
                if (end != std::string::npos && bytes[end] == '\r' && next < bytes.size() &&
                    bytes[next] == '\n') {
                    ++next;
                }
                bytes = header + bytes.substr(next);
            }
            inputs.push_back({file.filename().string() + (text ? ".txt" : ".xml"), bytes, corpus});
        }
    }
    for (const char* golden :
         {"plain_table.xml", "change_log_table.xml", "empty_table.xml", "plain_table.txt"}) {
        inputs.push_back({golden, dmm::test::golden(golden), ""});
    }
    const std::string empty = dmm::test::golden("empty_table.xml");
    const std::string head = empty.substr(0, empty.find("<ROWDATA>") + 9);
    inputs.push_back(
        {"replaced.xml",
         head + "<ROW No=\"1\" DC/AC=\"a&#009;b\" Value=\" x&#013;&#010;y \" Unit=\"&#x4E2D;\" "
                "Auto=\"\"/><ROW Time=\"23:59:59999\" Value=\"NULL\"/><ROW No=\"-7\" "
                "Unit=\"&#9;\"/></ROWDATA></DATAPACKET>",
         ""});

    // Each save is flushed to the disk; in memory, where there is such a folder, that costs
    // nothing.
    std::unique_ptr<dmm::test::TempDir> memory;
    if (fs::is_directory("/dev/shm")) memory = std::make_unique<dmm::test::TempDir>("/dev/shm");
    const dmm::test::TempDir& dir = memory ? *memory : this->dir;
    const dmm::LongTimeFormat cTime("%H:%M:%S");  // the time of the C locale dmmcli runs in
    using Convert = std::function<std::string(const std::string& from, const std::string& to)>;
    const Convert inProcess = [&](const std::string& from, const std::string& to) {
        dmm::RecordTable table;
        EXPECT_TRUE(dmm::loadDataFile(dir.file(from), table, false, cTime).ok) << from;
        EXPECT_TRUE(dmm::saveDataFile(table, dir.file(to), cTime).ok) << to;
        return dmm::test::readFile(dir.file(to));
    };
    const Convert byDmmcli = [&](const std::string& from, const std::string& to) {
        const CliRun run = dmmcli("convert '" + dir.file(from) + "' '" + dir.file(to) + "'");
        EXPECT_EQ(run.status, 0) << from << " -> " << to;
        return dmm::test::readFile(dir.file(to));
    };
    // The packet and the TAB text of the input, and of each converted once more.
    auto roundTrips = [&](const std::string& in, const std::string& out, const Convert& convert) {
        const std::string packet = convert(in, out + "a.xml");
        const std::string text = convert(in, out + "a.txt");
        EXPECT_EQ(convert(out + "a.xml", out + "b.xml"), packet);
        EXPECT_EQ(convert(out + "a.txt", out + "b.txt"), text);
        EXPECT_EQ(convert(out + "a.xml", out + "c.txt"), text);
        return std::pair(packet, text);
    };

    std::size_t loaded = 0;
    std::set<std::string> seen;  // many inputs load to the same table: each is converted once
    std::set<std::string> launched;  // the corpora converted by dmmcli
    for (const Input& input : inputs) {
        SCOPED_TRACE(input.name);
        const std::string in = "in_" + input.name;
        dmm::test::writeFile(dir.file(in), input.bytes);
        dmm::RecordTable table;
        if (!dmm::loadDataFile(dir.file(in), table, false, cTime).ok) continue;
        ++loaded;
        const bool xml = input.name.ends_with(".xml");
        if (!seen.insert(dmm::test::dump(table) + (xml ? "x" : "t")).second) continue;
        const auto converted = roundTrips(in, "", inProcess);
        if (input.corpus.empty() || launched.insert(input.corpus).second) {
            EXPECT_EQ(roundTrips(in, "cli_", byDmmcli), converted);
        }
    }
    EXPECT_GE(loaded, 90u);
    EXPECT_GE(seen.size(), 20u);
    EXPECT_EQ(launched.size(), 2u);
}

TEST_F(DmmcliRecordingTest, RecordWithoutAMeterLeavesAnOlderOutFileAlone) {
    for (const char* name : {"old.txt", "old.xml"}) {
        const std::string out = dir.file(name);
        dmm::test::writeFile(out, "an older recording");
        EXPECT_EQ(dmmcli("record --port '" + dir.file("no-such-port") + "' --out '" + out + "'").status, 1);
        EXPECT_EQ(dmm::test::readFile(out), "an older recording") << name;
    }
}

// A simulated meter on a pseudo-terminal, logged by `record --out`: the file holds exactly the
// records whose numbers the log shows, with the logged readings.
TEST_F(DmmcliRecordingTest, RecordKeepsTheRecordingInTheOutFile) {
    for (const char* name : {"out.txt", "out.xml"}) {
        const std::string out = dir.file(name);
        // The simulator prints its device's path first, then serves one logger.
        dmm::test::writeFile(dir.file("run.sh"),
                             "cd \"$1\" || exit 9\n"
                             "export LC_ALL=C\n"
                             "\"$2\" simulate --pty --rate 25 --frames 30 --seed 5 \\\n"
                             "  >sim.txt 2>/dev/null &\n"
                             "for i in $(seq 600); do [ -s sim.txt ] && break; sleep 0.05; done\n"
                             "\"$2\" record --port \"$(head -n1 sim.txt)\" --decimal . --no-repeat \\\n"
                             "  --duration 60 --out \"$3\" >rec.txt 2>rec.err\n"
                             "status=$?\n"
                             "wait\n"
                             "exit $status\n");
        const int rc = std::system(("bash '" + dir.file("run.sh") + "' '" + dir.path() + "' '" +
                                    DMMCLI_PATH + "' '" + out + "'")
                                       .c_str());
        // The logger ends with status 1 when the meter goes away.
        ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 1)
            << rc << " " << dmm::test::readFile(dir.file("rec.err"));

        // The logged frames with a record number, in order.
        std::vector<std::string> expected;
        std::istringstream log(dmm::test::readFile(dir.file("rec.txt")));
        std::string line;
        std::getline(log, line);
        while (std::getline(log, line)) {
            std::vector<std::string> cols;
            std::istringstream fields(line);
            for (std::string f; std::getline(fields, f, '\t');) cols.push_back(f);
            ASSERT_GE(cols.size(), 15u);
            if (!cols[14].empty()) expected.push_back(cols[14] + " " + cols[1] + " " + cols[3]);
        }
        ASSERT_GE(expected.size(), 20u) << name;

        dmm::RecordTable table;
        const auto loaded =
            dmm::loadDataFile(out, table, false, dmm::LongTimeFormat("%H:%M:%S"));
        ASSERT_TRUE(loaded.ok) << name << ": " << loaded.reason;
        std::vector<std::string> recorded;
        for (const auto row : table) {
            recorded.push_back(std::to_string(*row.no()) + " " +
                               std::string(*row.text(dmm::kFieldValue)) + " " +
                               std::string(*row.text(dmm::kFieldUnit)));
        }
        EXPECT_EQ(recorded, expected) << name;
    }
}

}  // namespace
