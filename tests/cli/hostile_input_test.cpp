// dmmcli given what a hostile user gives it, command by command: each row an input, the exit
// status, a part of the message, and what the files around hold afterwards. Every run leaves no
// temporary file, copies no control byte to the terminal and says nothing about
// XDG_RUNTIME_DIR.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "temp_dir.h"

namespace {

using cli_test::shell;

const std::string kDmmcli = DMMCLI_PATH;
const std::string kCapture = std::string(SAMPLES_DIR) + "/kelt_capture.bin";
const std::string kHeader = "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n";
const std::string kLine1 = "1\t10:00:00\tDC\t1.000\tV\tAUTO\r\n";
// A value of 25 characters, 5 more than a field keeps.
const std::string kLine2 = "2\t10:00:01\tDC\t1234567890123456789012345\tV\tAUTO\r\n";
const std::string kOld = "old contents";

struct FileState {
    std::string name;                   // in the scratch folder
    std::optional<std::string> holds;   // nothing: the file must not exist; "*": any contents
};

struct Row {
    std::string args;  // after "dmmcli", for the shell; "@" stands for the scratch folder
    int status;
    std::string says;  // part of standard error
    std::vector<FileState> files;
};

class HostileInputTest : public testing::Test {
protected:
    void SetUp() override {
        write("data.txt", kHeader + kLine1 + kLine2);
        write("one.txt", kHeader + kLine1);
        write("nohdr.txt", kLine1 + kLine2);
        write("esc.txt", kHeader + "\x1b]0;owned\x07\x1b[2J\t10:00:00\tDC\t1\tV\tAUTO\r\n");
        write("notes.pdf", "%PDF-1.4 not a data file");
        write("old.pdf", kOld);
        ASSERT_EQ(shell(kDmmcli + " convert '" + dir_ + "/one.txt' '" + dir_ + "/data.xml'").status, 0);
        std::filesystem::create_symlink(dir_ + "/data.xml", dir_ + "/link.xml");
        ASSERT_EQ(::mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            made_.push_back(entry.path().filename().string());
    }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
    }
    std::optional<std::string> read(const std::string& name) const {
        std::ifstream in(dir_ + "/" + name, std::ios::binary);
        if (!in) return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string inFolder(std::string text) const {
        for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, dir_);
        return text;
    }

    void check(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            const std::string args = inFolder(row.args);
            SCOPED_TRACE(args);
            const std::optional<std::string> xml = read("data.xml");
            // Run by bash (for $'...') in the scratch folder, so that a file named "-" would
            // land there.
            std::string command = "cd '" + dir_ + "' && env -u XDG_RUNTIME_DIR timeout -s KILL 60 " +
                                  kDmmcli + " " + args;
            for (std::size_t at = 0; (at = command.find('\'', at)) != std::string::npos; at += 4)
                command.replace(at, 1, "'\\''");
            const auto run = shell("bash -c '" + command + "'");
            EXPECT_EQ(run.status, row.status) << run.err;
            EXPECT_NE(run.err.find(inFolder(row.says)), std::string::npos) << run.err;
            EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
            EXPECT_EQ(run.err.find("XDG_RUNTIME_DIR"), std::string::npos) << run.err;
            EXPECT_EQ(read("data.xml"), xml) << "the input is never written";
            for (const FileState& f : row.files) {
                const std::optional<std::string> now = read(f.name);
                if (f.holds == "*") {
                    EXPECT_TRUE(now && !now->empty()) << f.name;
                } else {
                    EXPECT_EQ(now, f.holds) << f.name;
                }
            }
            // Nothing else is left, no temporary file either; what a row made goes.
            for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
                const std::string name = entry.path().filename().string();
                EXPECT_NE(name.front(), '.') << name;
                if (std::find(made_.begin(), made_.end(), name) == made_.end())
                    std::filesystem::remove(entry.path());
            }
        }
    }

    dmm::test::TempDir scratch_;
    const std::string dir_ = scratch_.path();
    std::vector<std::string> made_;  // the files of SetUp
};

TEST_F(HostileInputTest, Report) {
    check({
        {"report @/esc.txt @/old.pdf", 1, "line 2: '\\x1b]0;owned\\x07\\x1b[2J' is not a valid", {{"old.pdf", kOld}}},
        {"report @/nohdr.txt @/old.pdf", 1, "the first line is not the header", {{"old.pdf", kOld}}},
        {"report /etc/passwd @/old.pdf", 2, "cannot report /etc/passwd: the extension is none of", {{"old.pdf", kOld}}},
        {"report @/notes.pdf @/new.pdf", 2, "the extension is none of .xml, .xls, .txt", {{"new.pdf", {}}}},
        {"report @/data.xml @/data.xml", 2, "is the same file as IN; nothing is written", {}},
        {"report data.xml ./data.xml", 2, "OUT ./data.xml is the same file as IN", {}},
        {"report @/data.xml @/link.xml", 2, "is the same file as IN", {}},
        {"report @/data.txt -", 2, "OUT - would be a file named -", {{"-", {}}}},
        {"report @/data.txt @/new.pdf", 0, "1 text was longer than the 20 characters a field keeps, and cut",
         {{"new.pdf", "*"}}},
        {"report @/one.txt @/new.pdf", 0, "dmmcli report: 1 record from", {{"new.pdf", "*"}}},
        {"report @/data.txt @/new.pdf @/more.pdf", 2, "wants two file names, IN and OUT", {{"new.pdf", {}}}},
        {"report --out @/data.txt @/new.pdf", 2, "wants two file names, IN and OUT", {{"new.pdf", {}}}},
        {"report $'@/n\\e[2J.xml' @/new.pdf", 1, "n\\x1b[2J.xml: No such file or directory", {}},
    });
}

TEST_F(HostileInputTest, Convert) {
    check({
        {"convert @/data.txt @/data.txt", 2, "is the same file as IN", {{"data.txt", kHeader + kLine1 + kLine2}}},
        {"convert @/data.xml @/link.xml", 2, "is the same file as IN", {}},
        {"convert @/data.txt -", 2, "OUT - would be a file named -", {{"-", {}}}},
        {"convert @/data.txt @/new.xml", 0, "1 text was longer than the 20 characters a field keeps", {{"new.xml", "*"}}},
        {"convert @/one.txt @/new.txt", 0, "dmmcli convert: 1 record from", {{"new.txt", kHeader + kLine1}}},
        {"convert @/nohdr.txt @/new.xml", 1, "the first line is not the header", {{"new.xml", {}}}},
        {"convert -- @/one.txt @/new.txt", 0, "1 record from", {{"new.txt", kHeader + kLine1}}},
    });
}

TEST_F(HostileInputTest, Decode) {
    check({
        {"decode --limit 99999999999999 /dev/null", 2, "option --limit: '99999999999999' is out of range (0 to 2147483647)", {}},
        {"decode --limit -1 /dev/null", 2, "out of range (0 to 2147483647)", {}},
        {"decode --upper 3000000000 /dev/null", 2, "out of range (-2147483648 to 2147483647)", {}},
        {"decode --interval 1e3 /dev/null", 2, "option --interval: '1e3' is not an integer", {}},
        {"decode --decimal $'\\t' /dev/null", 2, "--decimal: a TAB, line break or other control character", {}},
        {"decode --decimal $'\\n' /dev/null", 2, "control character would break the columns", {}},
        {"decode --decimal $'\\xc2\\x85' /dev/null", 2, "control character", {}},
        // An option given twice counts with its last value, written either way.
        {"decode --family sorn --family kelt '" + kCapture + "'", 0, "decoded 30 frames", {}},
        {"decode --family=brio --family=kelt '" + kCapture + "'", 0, "decoded 30 frames", {}},
        {"decode --limit 1 --limit 0 --limit=5 '" + kCapture + "'", 0, "decoded 30 frames", {}},
        {"decode $'--bogus\\e[2J'", 2, "unknown option '--bogus\\x1b[2J'", {}},
        {"decode --family", 2, "option --family needs a value", {}},
        {"decode --no-repeat=1 /dev/null", 2, "unknown option '--no-repeat=1'", {}},
        {"decode $'@/\\e[2J'", 1, "cannot open '@/\\x1b[2J'", {}},
    });
}

TEST_F(HostileInputTest, Record) {
    check({
        // --usb given twice keeps --demo: the simulated cable is read.
        {"record --usb --demo --usb --duration 0.3", 0, "reading the USB cable simulated-cable", {}},
        {"record --demo --device x --usb --device simulated-cable --duration 0.3", 0,
         "reading the USB cable simulated-cable", {}},
        {"record --usb --demo --duration 1e8 --out /dev/null", 2,
         "--out '/dev/null' is a character device; give a regular file or a new name", {}},
        {"record --usb --demo --out @/fifo", 2, "is a FIFO", {}},
        {"record --usb --demo --out @", 2, "is a folder", {}},
        {"record --usb --demo --out @/new.txt --out @/new.xml --duration 0.3", 0, "reading",
         {{"new.txt", {}}, {"new.xml", "*"}}},
        {"record --usb --demo --duration inf", 2, "--duration needs a number of seconds above 0", {}},
        {"record --usb --demo --limit 99999999999", 2, "out of range (0 to 2147483647)", {}},
        {"record --usb --demo --device $'\\e[2J'", 1, "no HID device \\x1b[2J", {}},
        {"record --port $'\\e]0;x\\a'", 1, "could not open COM1 (/dev/\\x1b]0;x\\x07)", {}},
        {"record --port", 2, "--port needs PATH, COMn or COMn=PATH", {}},
        {"record --usb --demo --road usb", 2, "--road does not apply", {}},
        {"record --usb --demo stray", 2, "unknown argument 'stray'", {}},
    });
}

TEST_F(HostileInputTest, SimulateAndTheProgram) {
    check({
        // The last --out counts: the frames go to standard output, no file is made.
        {"simulate --out @/sim.bin --out - --rate 0 --frames 2 >/dev/null", 0, "2 frames sent", {{"sim.bin", {}}}},
        {"simulate --out=@/sim.bin --rate=0 --frames=2", 0, "2 frames sent", {{"sim.bin", "*"}}},
        {"simulate --pty --frames -1", 2, "--frames needs a count", {}},
        {"simulate --out", 2, "--out needs a file or -", {}},
        {"$'frob\\e[2J'", 2, "dmmcli: unknown command 'frob\\x1b[2J'", {}},
        {"--version", 0, "", {}},
    });
}

}  // namespace
