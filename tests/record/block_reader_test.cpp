#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "block_reader.h"
#include "tab_text.h"
#include "temp_dir.h"
#include "test_tables.h"
#include "word_scan.h"

namespace dmm {
namespace {

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

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
    const std::string bytes = randomBytes(1000003, 1);
    BlockReader reader(openFile(bytes), 4096, [](std::string_view b, std::vector<std::uint32_t>& m) {
        if (m.empty()) m.resize(1);
        m[0] = static_cast<std::uint32_t>(b.size());
        return std::size_t{1};
    });
    std::string got;
    for (;;) {
        const BlockReader::Block& b = reader.next();
        ASSERT_EQ(b.error, 0);
        if (b.bytes.empty()) break;
        ASSERT_EQ(b.markCount, 1u);
        ASSERT_EQ(b.marks[0], b.bytes.size());
        got.append(b.bytes);
    }
    EXPECT_EQ(got, bytes);
    EXPECT_TRUE(reader.next().bytes.empty());
}

// A reader left before the end (a load that failed early) stops its thread and returns.
TEST_F(BlockReaderTest, StopsWhenLeftBeforeTheEnd) {
    const int fd = openFile(randomBytes(300000, 2));
    for (int taken = 0; taken < 3; ++taken) {
        BlockReader reader(fd, 1024);
        for (int i = 0; i < taken; ++i) ASSERT_FALSE(reader.next().bytes.empty());
    }
}

TEST_F(BlockReaderTest, AReadErrorEndsTheBlocks) {
    BlockReader reader(-1, 1024);
    const BlockReader::Block& b = reader.next();
    EXPECT_EQ(b.error, EBADF);
    EXPECT_TRUE(b.bytes.empty());
}

// The word tests against byte-by-byte ones: every byte value in every place of a word.
TEST(WordScan, SpecialBitsMarkExactlyTheControlAndHighBytes) {
    if constexpr (!wordscan::kUsable) GTEST_SKIP() << "words are read byte by byte here";
    for (int place = 0; place < 8; ++place) {
        for (int value = 0; value < 256; ++value) {
            for (const char filler : {'a', '\t', '\xFF', ' '}) {
                char bytes[8];
                std::fill(bytes, bytes + 8, filler);
                bytes[place] = static_cast<char>(value);
                unsigned expected = 0;
                for (int i = 0; i < 8; ++i) {
                    const auto c = static_cast<unsigned char>(bytes[i]);
                    if (c < 0x20 || c >= 0x80) expected |= 1u << i;
                }
                ASSERT_EQ(wordscan::specialBits(wordscan::load8(bytes)), expected)
                    << "byte " << value << " at " << place;
            }
        }
    }
}

TEST(WordScan, ClockSecondsReadsOnlyTimesOfTheDay) {
    if constexpr (!wordscan::kUsable) GTEST_SKIP() << "words are read byte by byte here";
    auto seconds = [](const char* text) { return wordscan::clockSeconds(wordscan::load8(text)); };
    EXPECT_EQ(seconds("00:00:00"), 0);
    EXPECT_EQ(seconds("09:05:07"), 9 * 3600 + 5 * 60 + 7);
    EXPECT_EQ(seconds("23:59:59"), 86399);
    for (const char* bad : {"24:00:00", "10:60:00", "10:00:60", "1O:00:00", "10-00-00", " 9:05:07",
                            "09:05:0:", "09:05:/7", "09:05:\xB7" "7", "99:99:99"}) {
        EXPECT_EQ(seconds(bad), -1) << bad;
    }
}

TEST(WordScan, LineStopsAreEveryControlAndHighByte) {
    for (std::size_t size : {0, 1, 7, 8, 9, 63, 64, 65, 1000}) {
        const std::string block = randomBytes(size, static_cast<unsigned>(size));
        std::vector<std::uint32_t> stops(3, 77);  // longer than needed at first: never cut
        const std::size_t n = markLineStops(block, stops);
        std::vector<std::uint32_t> expected;
        for (std::size_t i = 0; i < block.size(); ++i) {
            const auto c = static_cast<unsigned char>(block[i]);
            if (c < 0x20 || c >= 0x80) expected.push_back(static_cast<std::uint32_t>(i));
        }
        ASSERT_EQ(std::vector<std::uint32_t>(stops.begin(), stops.begin() + n), expected) << size;
    }
}

}  // namespace
}  // namespace dmm
