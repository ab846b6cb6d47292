// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace dmm {

// Reads a file descriptor a block at a time on a thread of its own, a few blocks ahead of the
// one who takes them, so that copying the file's bytes (and whatever `prepare` makes of each
// block, such as an index or a first reading) overlaps the work done on the blocks before.
// The blocks come out in file order.
template <typename Prepared>
class BlockReader {
public:
    struct Block {
        std::string_view bytes;  // empty at the end of the file
        Prepared prepared{};     // what `prepare` made of the bytes
        int error = 0;           // errno of a failed read; the reading stops
    };
    using Prepare = std::function<void(std::string_view bytes, Prepared& prepared)>;

    BlockReader(int fd, std::size_t blockSize, Prepare prepare = nullptr)
        : fd_(fd), prepare_(std::move(prepare)), slots_(kSlots) {
        for (Slot& s : slots_) s.buffer.resize(blockSize);
        thread_ = std::thread([this] { run(); });
    }
    // Stops the thread, also before the end was reached.
    ~BlockReader() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // The next block; valid until the next call. After the end (or an error) the same last
    // block again.
    const Block& next() {
        std::unique_lock lock(mutex_);
        if (taken_ > 0) {
            Slot& before = slots_[(taken_ - 1) % kSlots];
            if (before.block.bytes.empty()) return before.block;
            before.full = false;  // back to the reading thread
            changed_.notify_all();
        }
        Slot& slot = slots_[taken_ % kSlots];
        changed_.wait(lock, [&] { return slot.full; });
        ++taken_;
        return slot.block;
    }

private:
    static constexpr std::size_t kSlots = 4;
    struct Slot {
        std::string buffer;
        Block block;
        bool full = false;
    };

    void run() {
        for (std::size_t n = 0;; ++n) {
            Slot& slot = slots_[n % kSlots];
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || !slot.full; });
                if (stop_) return;
            }
            // The slot is this thread's until it is marked full.
            Block& b = slot.block;
            ssize_t got;
            do {
                got = ::read(fd_, slot.buffer.data(), slot.buffer.size());
            } while (got < 0 && errno == EINTR);
            b.error = got < 0 ? errno : 0;
            b.bytes =
                std::string_view(slot.buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
            if (prepare_ && !b.bytes.empty()) {
                try {
                    prepare_(b.bytes, b.prepared);
                } catch (...) {  // no memory for it: the reading ends as after a failed read
                    b.error = ENOMEM;
                    b.bytes = {};
                    got = -1;
                }
            }
            {
                std::lock_guard lock(mutex_);
                slot.full = true;
            }
            changed_.notify_all();
            if (got <= 0) return;
        }
    }

    int fd_;
    Prepare prepare_;
    std::vector<Slot> slots_;
    std::size_t taken_ = 0;  // blocks handed out so far
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

}  // namespace dmm
