// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "data_packet_xml.h"
#include "live_recording_file.h"
#include "tab_text.h"
#include "temp_dir.h"
#include "test_tables.h"

namespace dmm {
namespace {

using test::hms;

const LongTimeFormat kClock24("%H:%M:%S");

class LiveRecordingFileTest : public testing::Test {
protected:
    void record(int i) { test::add(table, i, hms(10, 0, i % 60), "DC", std::to_string(i), "V", "AUTO"); }

    test::TempDir dir;
    RecordTable table;
};

TEST_F(LiveRecordingFileTest, TextFileHoldsEveryRecordAsSoonAsItIsTaken) {
    const std::string path = dir.file("log.txt");
    test::writeFile(path, "an older recording");
    std::string why;
    auto file = LiveRecordingFile::start(path, table, kClock24, &why);
    ASSERT_TRUE(file) << why;
    EXPECT_EQ(test::readFile(path), test::golden("empty_table.txt"));
    for (int i = 1; i <= 5; ++i) {
        record(i);
        ASSERT_TRUE(file->recordsAppended());
        // Read while the recording goes on, as after a crash: nothing is missing.
        EXPECT_EQ(test::readFile(path), tabText(table, kClock24)) << "after record " << i;
    }
    record(6);
    record(7);
    ASSERT_TRUE(file->finish());
    EXPECT_EQ(test::readFile(path), tabText(table, kClock24));
}

TEST_F(LiveRecordingFileTest, PacketIsRewrittenWhenDueAndAtTheEnd) {
    const std::string path = dir.file("log.xml");
    auto file = LiveRecordingFile::start(path, table, kClock24, nullptr, std::chrono::hours(1));
    ASSERT_TRUE(file);
    EXPECT_EQ(test::readFile(path), test::golden("empty_table.xml"));
    record(1);
    ASSERT_TRUE(file->recordsAppended());
    ASSERT_TRUE(file->poll());
    EXPECT_EQ(test::readFile(path), test::golden("empty_table.xml")) << "not due yet";
    ASSERT_TRUE(file->finish());
    EXPECT_EQ(test::readFile(path), dataPacket(table));

    auto often = LiveRecordingFile::start(path, table, kClock24, nullptr, std::chrono::seconds(0));
    ASSERT_TRUE(often);
    record(2);
    ASSERT_TRUE(often->recordsAppended());
    EXPECT_EQ(test::readFile(path), dataPacket(table));
}

TEST_F(LiveRecordingFileTest, AFileThatCannotBeStartedIsReported) {
    for (const char* name : {"missing/log.txt", "missing/log.xml"}) {
        std::string why;
        EXPECT_FALSE(LiveRecordingFile::start(dir.file(name), table, kClock24, &why)) << name;
        EXPECT_FALSE(why.empty());
    }
}

TEST_F(LiveRecordingFileTest, AWriteFailureIsReportedNotHidden) {
    // The header goes to the device, then appending fails: /dev/full takes nothing.
    auto file = LiveRecordingFile::start("/dev/full", table, kClock24, nullptr);
    EXPECT_FALSE(file) << "the header could not be written";
}

// A write stopped half-way by a file size limit is cut back to the last whole line; the
// records it held go out with the next write that succeeds. Rows: how far past the file's
// size the limit stands, in bytes (so the limit falls inside a line, or right at its end).
TEST_F(LiveRecordingFileTest, AFailedWriteLeavesNoTornLineAndIsCaughtUpLater) {
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    for (const rlim_t past : {1, 10, 29, 40}) {
        SCOPED_TRACE(past);
        table.clear();
        const std::string path = dir.file("log.txt");
        auto file = LiveRecordingFile::start(path, table, kClock24, nullptr);
        ASSERT_TRUE(file);
        record(1);
        ASSERT_TRUE(file->recordsAppended());
        const std::string before = test::readFile(path);

        rlimit tight = old;
        tight.rlim_cur = before.size() + past;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
        record(2);
        record(3);
        const bool written = file->recordsAppended();
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old), 0);
        if (!written) {
            EXPECT_NE(file->reason().find(std::strerror(EFBIG)), std::string::npos) << file->reason();
            EXPECT_EQ(test::readFile(path), before) << "no part of a line";
            EXPECT_EQ(file->recordsWritten(), 1u);
        }
        record(4);
        ASSERT_TRUE(file->recordsAppended()) << file->reason();
        EXPECT_EQ(test::readFile(path), tabText(table, kClock24));
        ASSERT_TRUE(file->finish());
    }
    std::signal(SIGXFSZ, oldHandler);
}

}  // namespace
}  // namespace dmm
