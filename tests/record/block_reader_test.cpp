#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <new>
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
    const int fd = openFile(randomBytes(300000, 2));
    for (int taken = 0; taken < 3; ++taken) {
        BlockReader<int> reader(fd, 1024);
        for (int i = 0; i < taken; ++i) ASSERT_FALSE(reader.next().bytes.empty());
    }
}

// What goes wrong on the reading thread reaches the taker as an error, never past the thread.
TEST_F(BlockReaderTest, APrepareThatThrowsEndsTheBlocksWithAnError) {
    using Reader = BlockReader<int>;
    Reader reader(openFile(randomBytes(10000, 3)), 1024,
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

// Stops found beforehand (as on the reading thread) give the records of reading byte by
// byte, whatever the blocks and line ends.
TEST(TabTextReader, StopsFoundBeforehandGiveTheSameRecords) {
    const LongTimeFormat clock("%H:%M:%S");
    std::string text(kTabHeaderLine);
    for (int i = 0; i < 4000; ++i) {
        text += std::to_string(i) + "\t" + (i % 3 ? "10:00:0" + std::to_string(i % 10) : " 9:5:7") +
                "\t" + (i % 100 < 50 ? "DC" : "AC") + "\t" + std::to_string(i % 313 - 156) +
                (i % 170 ? "" : "\xB5") + "\t" + (i % 11 ? "mV" : "a long unit text") + "\t" +
                (i % 900 ? "AUTO" : "") + (i % 5 ? "\r\n" : i % 7 ? "\n" : "\r");
    }
    RecordTable expected;  // read byte by byte: pieces too short for the usual-line path
    TabTextReader slow(expected, clock);
    for (std::size_t at = 0; at < text.size(); at += 7) slow.feed(std::string_view(text).substr(at, 7));
    ASSERT_TRUE(slow.finish());
    for (std::size_t block : {100, 1000, 4096, 65536, 1 << 20}) {
        RecordTable t;
        TabTextReader reader(t, clock);
        TabTextReader::LineStops stops;
        for (std::size_t at = 0; at < text.size(); at += block) {
            const std::string_view bytes = std::string_view(text).substr(at, block);
            stops.find(bytes);
            ASSERT_TRUE(reader.feed(bytes, &stops));
        }
        ASSERT_TRUE(reader.finish());
        ASSERT_EQ(test::firstDifference(t, expected), "") << block;
        EXPECT_EQ(reader.recordsAdded(), 4000u);
        RecordTable whole;  // and all of it at once, its stops found a stretch at a time
        ASSERT_TRUE(readTabText(text, whole, clock));
        ASSERT_EQ(test::firstDifference(whole, expected), "");
    }
}

TEST(WordScan, DecimalDigitsReadsOneToEightDigitsOnly) {
    if constexpr (!wordscan::kUsable) GTEST_SKIP() << "words are read byte by byte here";
    auto read = [](const char* text, std::size_t length) {
        std::int32_t v = -1;
        return wordscan::decimalDigits(wordscan::load8(text), length, v) ? v : -1;
    };
    EXPECT_EQ(read("7\tDC\t1.5\t", 1), 7);
    EXPECT_EQ(read("0012\tDC\t", 4), 12);
    EXPECT_EQ(read("98765432", 8), 98765432);
    EXPECT_EQ(read("10203\t09", 5), 10203);
    for (const char* bad : {"1a345678", "12:45678", "/2345678", "1234567\xB9"}) {
        EXPECT_EQ(read(bad, 8), -1) << bad;
    }
    EXPECT_EQ(read("12 45678", 2), 12) << "only the first `length` bytes count";
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
