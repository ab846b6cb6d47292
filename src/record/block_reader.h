#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace dmm {

// Reads a file descriptor a block at a time on a thread of its own, a few blocks ahead of the
// one who takes them, so that copying the file's bytes (and whatever `prepare` does with each
// block, such as indexing it) overlaps the work done on the blocks before. The blocks come
// out in file order.
class BlockReader {
public:
    struct Block {
        std::string_view bytes;           // empty at the end of the file
        std::vector<std::uint32_t> marks;  // room for what `prepare` made of the bytes
        std::size_t markCount = 0;         // how many of `marks` it filled
        int error = 0;                     // errno of a failed read; the reading stops
    };
    // Fills the start of `marks` (growing it when needed) and returns how many it filled.
    using Prepare =
        std::function<std::size_t(std::string_view bytes, std::vector<std::uint32_t>& marks)>;

    BlockReader(int fd, std::size_t blockSize, Prepare prepare = nullptr);
    ~BlockReader();  // stops the thread, also before the end was reached
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // The next block; valid until the next call.
    const Block& next();

private:
    static constexpr std::size_t kSlots = 4;
    struct Slot {
        std::string buffer;
        Block block;
        bool full = false;
    };
    void run();

    int fd_;
    Prepare prepare_;
    std::vector<Slot> slots_;
    std::size_t taken_ = 0;     // slots handed out so far
    bool holding_ = false;      // the slot of the last next() is still the taker's
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

}  // namespace dmm
