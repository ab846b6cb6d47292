#include "block_reader.h"

#include <unistd.h>

#include <cerrno>

namespace dmm {

BlockReader::BlockReader(int fd, std::size_t blockSize, Prepare prepare)
    : fd_(fd), prepare_(std::move(prepare)), slots_(kSlots) {
    for (Slot& s : slots_) s.buffer.resize(blockSize);
    thread_ = std::thread([this] { run(); });
}

BlockReader::~BlockReader() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BlockReader::run() {
    for (std::size_t n = 0;; ++n) {
        Slot& slot = slots_[n % kSlots];
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || !slot.full; });
            if (stop_) return;
        }
        // The slot is this thread's until it is marked full.
        Block& b = slot.block;
        b.error = 0;
        ssize_t got;
        do {
            got = ::read(fd_, slot.buffer.data(), slot.buffer.size());
        } while (got < 0 && errno == EINTR);
        if (got < 0) b.error = errno;
        b.bytes = std::string_view(slot.buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
        b.markCount = prepare_ && !b.bytes.empty() ? prepare_(b.bytes, b.marks) : 0;
        const bool last = got <= 0;
        {
            std::lock_guard lock(mutex_);
            slot.full = true;
        }
        changed_.notify_all();
        if (last) return;
    }
}

const BlockReader::Block& BlockReader::next() {
    std::unique_lock lock(mutex_);
    if (holding_) {
        // The block handed out before goes back to the reading thread, unless it was the end.
        Slot& before = slots_[(taken_ - 1) % kSlots];
        if (!before.block.bytes.empty()) {
            before.full = false;
            changed_.notify_all();
        }
        if (before.block.bytes.empty()) return before.block;
    }
    Slot& slot = slots_[taken_ % kSlots];
    changed_.wait(lock, [&] { return slot.full; });
    ++taken_;
    holding_ = true;
    return slot.block;
}

}  // namespace dmm
