// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// dmmcli decode, end to end over the shipped captures and over malformed input; the program's
// answers to --help, --version and refused arguments.

#include <gtest/gtest.h>

#include <unistd.h>

#include "cli_support.h"

namespace {

using cli_test::dmmcli;
using cli_test::fields;
using cli_test::lines;

const std::string kSamples = SAMPLES_DIR;

TEST(DecodeCommand, SerialCaptureGivesOneLinePerFrameUnderTheHeader) {
    const auto run = dmmcli("decode --family kelt --decimal . " + kSamples + "/kelt_capture.bin");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto out = lines(run.out);
    ASSERT_EQ(out.size(), 31u);
    EXPECT_EQ(out[0],
              "frame\tvalue_text\tcoupling\tunit\trange\tvalue\tdecimal_pos\trange_change\t"
              "max_text\tmin_text\talarm\tneedle\tbar\tchart\trecord_no\tshown");
    const auto first = fields(out[1]);
    ASSERT_EQ(first.size(), 16u);
    EXPECT_EQ(first[0], "123462121DA");
    EXPECT_EQ(first[1], "12.346");
    EXPECT_EQ(first[5], "12346");
    EXPECT_EQ(first[6], "1");
    EXPECT_EQ(first[7], "1");   // the first frame is a range change
    EXPECT_EQ(first[11], "523");
    EXPECT_EQ(first[15], "LcdD0 LcdDa LcdDb LcdDc LcdDd LcdP1 LcdAuto LcdDc1 LcdV");
    // the overload frame
    bool sawOverload = false;
    for (const auto& l : out) {
        const auto f = fields(l);
        if (f[0] == "A00002121DA") {
            sawOverload = true;
            EXPECT_EQ(f[1], ".0L");
            EXPECT_EQ(f[5], "40000");
            EXPECT_EQ(f[11], "800");
            EXPECT_EQ(f[12], "40");
        }
    }
    EXPECT_TRUE(sawOverload);
    EXPECT_NE(run.err.find("decoded 30 frames, dropped 0"), std::string::npos) << run.err;
}

TEST(DecodeCommand, ReportFileOnTheUsbRoadAndStandardInput) {
    const auto run = dmmcli("decode --road usb --decimal , -", kSamples + "/kelt_reports.txt");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto out = lines(run.out);
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(fields(out[1])[1], "12,346");
    EXPECT_NE(run.err.find("decoded 6 frames"), std::string::npos);
}

TEST(DecodeCommand, LimitsSwitchTheAlarmOn) {
    const auto run = dmmcli("decode --decimal . --upper 12300 " + kSamples + "/kelt_capture.bin");
    ASSERT_EQ(run.status, 0);
    const auto out = lines(run.out);
    EXPECT_EQ(fields(out[1])[10], "1");  // 12346 > 12300
    EXPECT_EQ(fields(out[4])[10], "1");  // 12301: one count above
    EXPECT_EQ(fields(out[5])[10], "0");  // 12270
}

TEST(DecodeCommand, BadInputGetsAMessageNotACrash) {
    char path[] = "/tmp/dmm_reports_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string text = "00 01 31\nzz 01\n\n00 00 00\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    const auto run = dmmcli(std::string("decode --road usb ") + path);
    std::remove(path);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("line 2 skipped"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("1 failed framing"), std::string::npos) << run.err;

    EXPECT_EQ(dmmcli("decode --family nope").status, 2);
    EXPECT_EQ(dmmcli("decode --count-class 5").status, 2);
    EXPECT_EQ(dmmcli("decode --bogus").status, 2);
    EXPECT_EQ(dmmcli("decode /nonexistent/capture.bin").status, 1);
}

// --help and --version answer on standard output with status 0 (1 when it cannot be written);
// refused arguments give status 2 with the reason and the usage on standard error.
TEST(DmmcliArguments, AnswersGoToStandardOutputAndRefusalsToStandardError) {
    struct Row {
        const char* args;
        int status;
        const char* out;  // what standard output begins with
        const char* err;  // part of standard error
    } rows[] = {
        {"--version", 0, "dmmcli " DMM_VERSION "\n", ""},
        {"--help", 0, "usage:\n  dmmcli decode ", ""},
        {"-h", 0, "usage:\n  dmmcli decode ", ""},
        {"decode --help", 0, "usage: dmmcli decode [options] [FILE|-]\n", ""},
        {"record --family sorn -h", 0, "usage: dmmcli record ", ""},
        {"simulate --out x --help", 0, "usage: dmmcli simulate ", ""},
        {"convert --help", 0, "usage: dmmcli convert IN OUT\n", ""},
        {"report --help", 0, "usage: dmmcli report IN OUT.pdf\n", ""},
        {"--version >/dev/full", 1, "", ""},
        {"decode --help >/dev/full", 1, "", ""},
        {"", 2, "", "usage:\n  dmmcli decode "},
        {"frobnicate", 2, "", "dmmcli: unknown command 'frobnicate'\nusage:\n"},
        {"decode --bogus", 2, "", "unknown option '--bogus'\nusage: dmmcli decode "},
        {"record --port", 2, "", "--port needs PATH, COMn or COMn=PATH\nusage: dmmcli record "},
        {"simulate --pty --rate fast", 2, "", "--rate needs frames per second, 0 to 10000\nusage: dmmcli simulate "},
        {"convert only.xml", 2, "", "two file names, IN and OUT\nusage: dmmcli convert "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args);
        const auto run = dmmcli(r.args);
        EXPECT_EQ(run.status, r.status) << run.err;
        EXPECT_EQ(run.out.rfind(r.out, 0), 0u) << run.out;
        EXPECT_NE(run.err.find(r.err), std::string::npos) << run.err;
        if (r.status != 2) {
            EXPECT_EQ(run.err.find("usage"), std::string::npos) << run.err;
        }
        if (r.status != 0) {
            EXPECT_EQ(run.out, "");
        }
    }
}

}  // namespace
