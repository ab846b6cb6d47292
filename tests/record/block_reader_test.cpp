// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "block_reader.h"
#include "temp_dir.h"
#include "test_tables.h"

namespace dmm {
namespace {

class BlockReaderTest : public testing::Test {
protected:
    int openFile(const std::string& bytes) {
        const std::string path = dir.file("blocks");
        test::writeFile(path, bytes);
        fd_ = ::open(path.c_str(), O_RDONLY);
        return fd_;
    }
    ~BlockReaderTest() override {
        if (fd_ >= 0) ::close(fd_);
    }
    test::TempDir dir;
    int fd_ = -1;
};

// The blocks come out whole and in order, each with what `prepare` made of it, and the end
// keeps being the end.
TEST_F(BlockReaderTest, HandsOutTheFileInOrderWithItsMarks) {
    const std::string bytes = test::randomBytes(1000003, 1);
    using Reader = BlockReader<std::string>;
    Reader reader(openFile(bytes), 4096,
                  [](std::string_view b, std::string& prepared) { prepared = b.substr(0, 3); });
    std::string got;
    for (;;) {
        const Reader::Block& b = reader.next();
        ASSERT_EQ(b.error, 0);
        if (b.bytes.empty()) break;
        ASSERT_EQ(b.prepared, b.bytes.substr(0, 3));
        got.append(b.bytes);
    }
    EXPECT_EQ(got, bytes);
    EXPECT_TRUE(reader.next().bytes.empty());
}

// A reader left before the end (a load that failed early) stops its thread and returns.
TEST_F(BlockReaderTest, StopsWhenLeftBeforeTheEnd) {
    const int fd = openFile(test::randomBytes(300000, 2));
    for (int taken = 0; taken < 3; ++taken) {
        BlockReader<int> reader(fd, 1024);
        for (int i = 0; i < taken; ++i) ASSERT_FALSE(reader.next().bytes.empty());
    }
}

// What goes wrong on the reading thread reaches the taker as an error, never past the thread.
TEST_F(BlockReaderTest, APrepareThatThrowsEndsTheBlocksWithAnError) {
    using Reader = BlockReader<int>;
    Reader reader(openFile(test::randomBytes(10000, 3)), 1024,
                  [](std::string_view, int&) { throw std::bad_alloc(); });
    const Reader::Block& b = reader.next();
    EXPECT_EQ(b.error, ENOMEM);
    EXPECT_TRUE(b.bytes.empty());
    EXPECT_EQ(reader.next().error, ENOMEM);
}

TEST_F(BlockReaderTest, AReadErrorEndsTheBlocks) {
    BlockReader<int> reader(-1, 1024);
    const BlockReader<int>::Block& b = reader.next();
    EXPECT_EQ(b.error, EBADF);
    EXPECT_TRUE(b.bytes.empty());
}

}  // namespace
}  // namespace dmm
