// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// dmmcli report end to end: a saved data file in, a PDF out, read back with pdftotext.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "pdf_text.h"
#include "cli_support.h"

namespace {

using cli_test::dmmcli;
using dmm::test::pdfText;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ReportCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "dmmcli-report-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        // 40 readings in TAB text: two pages.
        std::ofstream txt(file("readings.txt"), std::ios::binary);
        txt << "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n";
        for (int i = 1; i <= 40; ++i) {
            txt << i << "\t10:00:" << (i < 10 ? "0" : "") << i << "\tDC\t"
                << i << ".000\tk*\tAUTO\r\n";
        }
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string file(const std::string& name) const { return dir + "/" + name; }
    std::string dir;
};

// Both file formats give the same report; no display is needed and none is asked for. The
// other commands need no GUI platform at all.
TEST_F(ReportCommandTest, WritesTheReportOfASavedFileWithoutADisplay) {
    const auto convert = dmmcli("convert '" + file("readings.txt") + "' '" + file("readings.xml") + "'", "",
                                "env QT_QPA_PLATFORM=no-such-platform");
    ASSERT_EQ(convert.status, 0) << convert.err;
    std::string texts[2];
    int i = 0;
    for (const char* in : {"readings.xml", "readings.txt"}) {
        SCOPED_TRACE(in);
        const std::string pdf = file(std::string(in) + ".pdf");
        const auto run = dmmcli("report '" + file(in) + "' '" + pdf + "'", "", "env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.err.find("40 records"), std::string::npos) << run.err;
        texts[i] = pdfText(pdf);
        EXPECT_EQ(std::count(texts[i].begin(), texts[i].end(), '\f'), 2);  // two pages
        EXPECT_NE(texts[i].find("The Data Print Foot"), std::string::npos);
        EXPECT_TRUE(std::regex_search(texts[i], std::regex("\n *40 +10:00:40.* +DC +40\\.000 +k\u03A9 +AUTO")))
            << texts[i];
        ++i;
    }
    EXPECT_EQ(texts[0], texts[1]);
}

TEST_F(ReportCommandTest, AFileThatDoesNotLoadOrCannotBeWrittenFailsAndKeepsTheOldPdf) {
    std::ofstream(file("empty.txt"), std::ios::binary) << "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n";
    std::ofstream(file("broken.xml"), std::ios::binary) << "<?xml version=\"1.0\"?><DATAPACKET";
    std::ofstream(file("old.pdf")) << "old";
    struct Row {
        std::string args;
        int status;
        std::string message;
    } rows[] = {
        {"'" + file("missing.xml") + "' '" + file("old.pdf") + "'", 1, "Failed to Load File!"},
        {"'" + file("broken.xml") + "' '" + file("old.pdf") + "'", 1, "Failed to Load File!"},
        {"'" + file("empty.txt") + "' '" + file("old.pdf") + "'", 1, "holds no records"},
        {"'" + file("readings.txt") + "' /dev/full", 1, "could not write /dev/full"},
        {"'" + file("readings.txt") + "' '" + file("no/such/dir.pdf") + "'", 1, "could not write"},
        {"'" + file("readings.txt") + "'", 2, "usage: dmmcli report IN OUT.pdf"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args);
        const auto run = dmmcli("report " + r.args);
        EXPECT_EQ(run.status, r.status);
        EXPECT_NE(run.err.find(r.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(slurp(file("old.pdf")), "old");
}

}  // namespace
