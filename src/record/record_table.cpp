#include "record_table.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "text_codec.h"

namespace dmm {

int findField(std::string_view name) {
    for (int f = 0; f < kFieldCount; ++f) {
        if (equalsIgnoringCase(kFields[f].name, name)) return f;
    }
    return -1;
}

std::string_view storedText(std::string_view text) {
    std::string_view t = text.size() <= kTextWidth ? text : firstChars(text, kTextWidth);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
}

RecordTable::RecordTable() = default;

RecordTable::RecordTable(RecordTable&& o) noexcept
    : blocks_(std::move(o.blocks_)), size_(std::exchange(o.size_, 0)),
      next_(std::exchange(o.next_, nullptr)), blockEnd_(std::exchange(o.blockEnd_, nullptr)),
      pool_(std::move(o.pool_)), lastText_(o.lastText_),
      lastTextValid_(std::exchange(o.lastTextValid_, {})), lastKey_(o.lastKey_),
      logging_(o.logging_), loadedLog_(std::move(o.loadedLog_)),
      loggedFrom_(std::exchange(o.loggedFrom_, 0)), textsCut_(std::exchange(o.textsCut_, 0)) {
    o.blocks_.clear();
    o.pool_.clear();
    o.loadedLog_.clear();
}

RecordTable& RecordTable::operator=(RecordTable&& o) noexcept {
    if (this != &o) {
        this->~RecordTable();
        new (this) RecordTable(std::move(o));
    }
    return *this;
}

RecordTable::~RecordTable() = default;

void RecordTable::FreeBlock::operator()(Stored* p) const { std::free(p); }

void RecordTable::newBlock() {
    // The block of record size_, allocated unless an earlier, longer table left it.
    const std::size_t b = blockOf(size_);
    if (b == blocks_.size()) {
        void* p = std::malloc(blockSize(b) * sizeof(Stored));
        if (p == nullptr) throw std::bad_alloc();
        blocks_.emplace_back(static_cast<Stored*>(p));
    }
    next_ = blocks_[b].get() + (size_ - blockStart(b));
    blockEnd_ = blocks_[b].get() + blockSize(b);
}

void RecordTable::truncate(std::size_t n) {
    if (n >= size_) return;
    size_ = n;
    next_ = blockEnd_ = nullptr;
    if (loggedFrom_ > n) loggedFrom_ = n;
}

void RecordTable::eraseFront(std::size_t n) {
    if (n == 0) return;
    if (n >= size_) {
        truncate(0);
        return;
    }
    for (std::size_t i = n; i < size_; ++i) {
        const std::size_t to = i - n;
        blocks_[blockOf(to)][to - blockStart(blockOf(to))] = slot(i);
    }
    truncate(size_ - n);
}

void RecordTable::storeValue(Stored& s, std::string_view text) {
    const std::string_view stored = keptText(text);
    std::memset(s.value, 0, sizeof s.value);
    if (stored.size() <= kInlineValue) {
        std::memcpy(s.value, stored.data(), stored.size());
        s.valueLength = static_cast<std::uint8_t>(stored.size());
    } else {
        const std::uint32_t id = internText(kFieldValue - kFieldDcAc, stored);
        std::memcpy(s.value, &id, sizeof id);
        s.valueLength = kPooledValue;
    }
}

std::uint32_t RecordTable::internText(int column, std::string_view text) {
    const std::uint64_t key = TextPool::shortKey(text);
    if (lastTextValid_[column]) {
        if (key != 0) {
            if (key == lastKey_[column]) return lastText_[column];
        } else {
            const std::string_view last = pool_.text(lastText_[column]);
            if (last.size() == text.size() &&
                std::memcmp(last.data(), text.data(), text.size()) == 0) {
                return lastText_[column];
            }
        }
    }
    const std::uint32_t id = key != 0 ? pool_.internShort(key, text) : pool_.intern(text);
    lastText_[column] = id;
    lastKey_[column] = key;
    lastTextValid_[column] = true;
    return id;
}

void RecordTable::appendWithState(const RecordValues& v, std::uint8_t rowState) {
    Stored& s = newSlot();
    s.present = 0;
    s.no = v.no.value_or(0);
    s.timeMs = v.timeMs.value_or(0);
    if (v.no) s.present |= 1u << kFieldNo;
    if (v.timeMs) s.present |= 1u << kFieldTime;
    for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
        const auto& text = v.text[f - kFieldDcAc];
        if (f == kFieldValue) {
            s.valueLength = 0;
            if (text) {
                storeValue(s, *text);
            } else {
                std::memset(s.value, 0, sizeof s.value);
            }
        } else {
            s.pooled[pooledSlot(f)] = text ? internText(f - kFieldDcAc, keptText(*text)) : 0;
        }
        if (text) s.present |= 1u << f;
    }
    s.rowState = rowState;
}

void RecordTable::append(const RecordValues& v) {
    appendWithState(v, logging_ ? kRowStateInserted : 0);
}

void RecordTable::clear() {
    size_ = 0;
    next_ = blockEnd_ = nullptr;
    pool_.clear();
    lastTextValid_.fill(false);
    loadedLog_.clear();
    loggedFrom_ = 0;
    textsCut_ = 0;
}

void RecordTable::setChangeLogging(bool on) {
    if (on && !logging_) loggedFrom_ = size_;
    logging_ = on;
}

void RecordTable::setLoadedChangeLog(std::vector<std::uint32_t> log) {
    loadedLog_ = std::move(log);
    loggedFrom_ = size_;
}

std::vector<std::uint32_t> RecordTable::changeLog() const {
    std::vector<std::uint32_t> log = loadedLog_;
    if (logging_) {
        for (std::size_t i = loggedFrom_; i < size_; ++i) {
            log.push_back(static_cast<std::uint32_t>(i + 1));
            log.push_back(0);
            log.push_back(kRowStateInserted);
        }
    }
    return log;
}

}  // namespace dmm
