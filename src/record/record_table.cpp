#include "record_table.h"

#include <cstring>

#include "text_codec.h"

namespace dmm {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

int findField(std::string_view name) {
    for (int f = 0; f < kFieldCount; ++f) {
        if (sameIgnoringCase(kFields[f].name, name)) return f;
    }
    return -1;
}

std::string_view storedText(std::string_view text) {
    std::string_view t = text.size() <= kTextWidth ? text : firstChars(text, kTextWidth);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
}

RecordTable::RecordTable() = default;
RecordTable::RecordTable(RecordTable&&) noexcept = default;
RecordTable& RecordTable::operator=(RecordTable&&) noexcept = default;
RecordTable::~RecordTable() = default;

RecordTable::Stored& RecordTable::newSlot() {
    const std::size_t b = blockOf(size_);
    if (b == blocks_.size()) blocks_.push_back(std::make_unique_for_overwrite<Stored[]>(blockSize(b)));
    return blocks_[b][size_ - blockStart(b)];
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
    for (int c = 0; c < kTextFieldCount; ++c) {
        s.text[c] = 0;
        if (v.text[c]) {
            s.text[c] = internText(c, storedText(*v.text[c]));
            s.present |= 1u << (kFieldDcAc + c);
        }
    }
    s.rowState = rowState;
    ++size_;
}

void RecordTable::append(const RecordValues& v) {
    appendWithState(v, logging_ ? kRowStateInserted : 0);
}

void RecordTable::clear() {
    blocks_.clear();
    size_ = 0;
    pool_.clear();
    lastTextValid_.fill(false);
    loadedLog_.clear();
    loggedFrom_ = 0;
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
