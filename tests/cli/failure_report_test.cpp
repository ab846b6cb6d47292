// dmmcli reports every failure: inputs of every kind read as streams, read and write errors,
// messages that never copy raw bytes to the terminal, rates it cannot keep, and files convert
// cannot convert.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "cli_support.h"

namespace {

using cli_test::dmmcli;
using cli_test::shell;

const std::string kSamples = SAMPLES_DIR;
const std::string kReports = kSamples + "/kelt_reports.txt";
const std::string kCapture = kSamples + "/kelt_capture.bin";
const std::string kDmmcli = DMMCLI_PATH;
const std::string kHeader = "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n";

class FailureReportTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dmmcli_fail_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string file(const std::string& name, const std::string& bytes) const {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string read(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string dir_;
};

// Every input is read as a stream on both roads; a failed read or write ends the command with
// the reason and status 1.
TEST_F(FailureReportTest, InputsOfEveryKindAndReadAndWriteErrors) {
    const std::string fifo = dir_ + "/reports.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string command;
        int status;
        const char* says;
    } rows[] = {
        {"cat '" + kReports + "' | " + kDmmcli + " decode --road usb /dev/stdin", 0, "decoded 6 frames"},
        {"cat '" + kReports + "' | " + kDmmcli + " decode --road usb -", 0, "decoded 6 frames"},
        {"cat '" + kCapture + "' | " + kDmmcli + " decode /dev/stdin", 0, "decoded 30 frames"},
        {"(cat '" + kReports + "' > '" + fifo + "' &) ; " + kDmmcli + " decode --road usb '" + fifo + "'", 0,
         "decoded 6 frames"},
        {kDmmcli + " decode '" + kCapture + "' > /dev/full", 1, "cannot write the output: No space left on device"},
        {kDmmcli + " decode --road usb '" + kReports + "' > /dev/full", 1, "cannot write the output"},
        {kDmmcli + " decode /proc/self/mem", 1, "cannot read '/proc/self/mem': Input/output error"},
        {kDmmcli + " decode '" + kSamples + "'", 1, "Is a directory"},
        {kDmmcli + " simulate --out - --rate 0 --frames 3 > /dev/full", 1, "No space left on device"},
        {kDmmcli + " simulate --out '" + dir_ + "/sim.bin' --rate 0 --frames 3 > /dev/full", 1,
         "cannot write the output"},
        {kDmmcli + " convert '" + file("t.txt", kHeader) + "' /dev/full", 1, "Could not save"},
    };
    for (const auto& row : rows) {
        const auto run = shell(row.command);
        EXPECT_EQ(run.status, row.status) << row.command << "\n" << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << row.command << "\n" << run.err;
    }
}

// Bytes from a file reach the terminal escaped, and one over-long line gives one message.
TEST_F(FailureReportTest, MessagesShowInputBytesEscaped) {
    const std::string reports = read(kReports);
    const struct {
        std::string command;
        int status;
        const char* says;
    } rows[] = {
        {kDmmcli + " decode --road usb '" + file("esc.txt", "00 \x1b[2Jzz \x9b\n") + "'", 0,
         "'\\x1b[2Jzz' is not a hexadecimal byte"},
        {kDmmcli + " decode --road usb '" + file("long.txt", std::string(3 << 20, 'a') + "\n" + reports) + "'", 0,
         "line 1 skipped: longer than 1 MiB"},
        {kDmmcli + " convert '" + file("bad.txt", kHeader + "1\t\x1b]0;x\x07\xff\r\n") + "' '" + dir_ + "/o.xml'",
         1, "line 2: '\\x1b]0;x\\x07\xc3\xbf' is not a valid time"},
    };
    for (const auto& row : rows) {
        const auto run = shell(row.command);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\x9b'), std::string::npos) << run.err;
    }
    const auto longLine = shell(kDmmcli + " decode --road usb '" + dir_ + "/long.txt'");
    EXPECT_EQ(cli_test::lines(longLine.err).size(), 2u) << "one message and the summary:\n" << longLine.err;
    EXPECT_NE(longLine.err.find("decoded 6 frames"), std::string::npos);
}

// A rate is a finite number of frames per second; a very small one waits as long as it says.
TEST_F(FailureReportTest, SimulateRatesAreFiniteAndKept) {
    for (const char* rate : {"nan", "-nan", "inf", "-inf", "1e400", "-0.5"}) {
        const auto run = dmmcli(std::string("simulate --out - --rate ") + rate);
        EXPECT_EQ(run.status, 2) << rate;
        EXPECT_NE(run.err.find("--rate"), std::string::npos) << rate;
    }
    // One frame goes out at once; the second is due in 10^9 seconds, so a second and a half
    // later there is still only the first.
    const auto run = shell("timeout -s TERM 1.5 " + kDmmcli + " simulate --out - --rate 1e-9 --frames 2 | wc -c");
    EXPECT_EQ(run.out, "11\n") << run.err;
}

// convert refuses an input it cannot read as a data file, and leaves the target alone.
TEST_F(FailureReportTest, ConvertRefusesWhatItCannotConvert) {
    const std::string table = kHeader + "1\t09:05:07\tDC\t12.345\tmV\tAUTO\r\n";
    const struct {
        std::string input;
        int status;
        const char* says;
    } rows[] = {
        {file("in.csv", table), 2, "the extension is none of .xml, .xls, .txt"},
        {file("noextension", table), 2, "the extension is none of"},
        {file("packet.txt", "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">"), 1,
         "the first line is not the header"},
        {file("lower.xls", "no\ttime\tdc/ac\tvalue\tunit\tauto\r\n1\r\n"), 1, "the first line is not the header"},
        {file("empty.txt", ""), 1, "the first line is not the header"},
        {file("upper.TXT", table), 0, "1 record from"},
        {file("headeronly.xls", kHeader), 0, "0 records"},
    };
    for (const auto& row : rows) {
        const std::string target = file("target.xml", "keep me");
        const auto run = dmmcli("convert '" + row.input + "' '" + target + "'");
        EXPECT_EQ(run.status, row.status) << row.input << "\n" << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << row.input << "\n" << run.err;
        if (row.status != 0) {
            EXPECT_EQ(read(target), "keep me") << row.input;
        }
    }
}

// Under a file size limit a save fails with the program's own message: the old file stays and
// no temporary file is left behind.
TEST_F(FailureReportTest, AFileSizeLimitFailsASaveCleanly) {
    std::string table = kHeader;
    for (int i = 1; i <= 300; ++i) table += std::to_string(i) + "\t09:05:07\tDC\t12.345\tmV\tAUTO\r\n";
    const std::string in = file("big.txt", table);
    for (const char* out : {"out.xml", "out.txt"}) {
        const std::string target = file(out, "keep me");
        const auto run = shell("ulimit -S -f 4; " + kDmmcli + " convert '" + in + "' '" + target + "'");
        EXPECT_EQ(run.status, 1) << out << "\n" << run.err;
        EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
        EXPECT_EQ(read(target), "keep me");
        std::size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            ++files;
            EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
        }
        EXPECT_EQ(files, 2u) << "only the input and the target";
        std::filesystem::remove(target);
    }
}

// The bytes a process has written so far; -1 once it is gone.
long long bytesWritten(pid_t pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    for (std::string key; io >> key;) {
        long long n = 0;
        io >> n;
        if (key == "wchar:") return n;
    }
    return -1;
}

// A stop signal, or SIGKILL, that ends convert or report at a random moment of its writing
// leaves OUT as it was or complete, and nothing else beside it; a stop signal ends the command
// as it would any program (the shell sees the signal).
TEST_F(FailureReportTest, AStopSignalOrAKillWhileWritingLeavesNoTemporaryFile) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::string table = kHeader;
    for (int i = 1; i <= 200000; ++i)
        table += std::to_string(i) + "\t10:00:" + std::to_string(10 + i % 50) + "\tDC\t1.234\tmV\tAUTO\r\n";
    const std::string big = file("big.txt", table);
    const std::string small = file("small.txt", table.substr(0, table.find("\r\n3001\t") + 2));
    ASSERT_EQ(dmmcli("convert '" + big + "' '" + dir_ + "/whole.xml'").status, 0);
    ASSERT_EQ(dmmcli("report '" + small + "' '" + dir_ + "/whole.pdf'").status, 0);
    const std::string wholeXml = read(dir_ + "/whole.xml");
    const std::string wholePdf = read(dir_ + "/whole.pdf");
    // Where files cannot be made without a name, SIGKILL leaves a named one, which the next
    // save removes.
    const int unnamed = ::open(dir_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (unnamed >= 0) ::close(unnamed);

    const struct {
        const char* command;
        std::string in;
        const char* out;
        std::size_t size;  // of a whole OUT
    } commands[] = {{"convert", big, "out.xml", wholeXml.size()}, {"report", small, "out.pdf", wholePdf.size()}};
    for (const auto& c : commands) {
        int signalled = 0;
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL, SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
            SCOPED_TRACE(std::string(c.command) + " " + strsignal(signal));
            const std::string out = file(c.out, "keep me");
            const auto moment = std::uniform_int_distribution<long long>(0, c.size * 9 / 10)(random);
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::freopen("/dev/null", "w", stderr);
                ::execl(kDmmcli.c_str(), "dmmcli", c.command, c.in.c_str(), out.c_str(), nullptr);
                ::_exit(127);
            }
            int status = 0;
            bool ended = false;
            for (long long written = 0; written < moment;) {
                if (::waitpid(pid, &status, WNOHANG) == pid) {
                    ended = true;
                    break;
                }
                written = bytesWritten(pid);
                ::sched_yield();
            }
            if (!ended) {
                ::kill(pid, signal);
                ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            }
            if (WIFSIGNALED(status)) {
                EXPECT_EQ(WTERMSIG(status), signal);
                ++signalled;
            } else {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            }
            const std::string now = read(out);
            if (now != "keep me") {
                if (std::string(c.command) == "convert") {
                    EXPECT_EQ(now, wholeXml);
                } else {
                    EXPECT_EQ(now.rfind("%PDF-", 0), 0u);
                    EXPECT_EQ(now.substr(now.size() - 6), "%%EOF\n");
                }
            }
            if (signal == SIGKILL && unnamed < 0) continue;
            std::size_t files = 0;
            for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
                ++files;
                EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
            }
            EXPECT_EQ(files, 5u) << "the inputs, the whole outputs and OUT only";
        }
        EXPECT_GT(signalled, 0) << c.command << " always ended before the signal";
        std::filesystem::remove(dir_ + "/" + c.out);
    }
}

}  // namespace
