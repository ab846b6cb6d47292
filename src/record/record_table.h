#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text_pool.h"

namespace dmm {

// The six fields of the data table, in table order.
enum class FieldKind { Integer, Time, Text };

enum Field : int { kFieldNo = 0, kFieldTime, kFieldDcAc, kFieldValue, kFieldUnit, kFieldAuto };
constexpr int kFieldCount = 6;
constexpr int kTextFieldCount = 4;     // DC/AC, Value, Unit, Auto
constexpr std::size_t kTextWidth = 20;  // characters kept of a stored text

struct FieldDef {
    std::string_view name;
    FieldKind kind;
};

inline constexpr std::array<FieldDef, kFieldCount> kFields = {{
    {"No", FieldKind::Integer},
    {"Time", FieldKind::Time},
    {"DC/AC", FieldKind::Text},
    {"Value", FieldKind::Text},
    {"Unit", FieldKind::Text},
    {"Auto", FieldKind::Text},
}};

// The field called `name`, compared without regard to case; -1 when there is none.
int findField(std::string_view name);

// Change state of a row that was appended while the change log was on: bit 2 of a data
// packet's RowState marks an inserted row, so such rows are written with RowState="4".
constexpr std::uint8_t kRowStateInserted = 4;

// A text as the table stores it: cut to 20 characters, trailing blanks dropped, leading
// blanks kept.
std::string_view storedText(std::string_view text);

// Values of one record to append; an empty optional is a missing value. Texts index by
// field - kFieldDcAc.
struct RecordValues {
    std::optional<std::int32_t> no;
    std::optional<std::int32_t> timeMs;  // milliseconds since midnight, 0 .. 86399999
    std::array<std::optional<std::string_view>, kTextFieldCount> text;
};

// The in-memory data table: records in the order they were appended, no index, no editing.
// A record takes 32 bytes, so ten million records fit in a few hundred megabytes; appending is
// O(1) (storage grows in new blocks, nothing is moved). The coupling, unit and range texts
// repeat a handful of values and are pooled; a reading's value text is nearly always new and
// short, so it is kept in the record itself (up to eight bytes) and only a longer one is
// pooled: looking every value up in a pool of tens of thousands of texts would make loading a
// large file wait on memory.
//
// Change log: off when the table is created. While it is on, every appended record is logged
// as an addition (its row state becomes 4 and the log gains "position 0 4"). A data packet that
// is read back brings its own row states and log. Clearing empties records and log and keeps
// logging as it is.
class RecordTable {
    static constexpr std::size_t kInlineValue = 8;     // value bytes kept in the record
    static constexpr std::uint8_t kPooledValue = 0xFF;  // valueLength of a pooled value
    struct Stored {
        std::int32_t no;
        std::int32_t timeMs;
        std::uint32_t pooled[3];     // pool numbers of DC/AC, Unit, Auto
        char value[kInlineValue];    // the value's bytes, or its pool number when pooled
        std::uint8_t valueLength;    // 0 .. 8, or kPooledValue
        std::uint8_t present;        // bit per field: the field has a value
        std::uint8_t rowState;
    };
    static_assert(sizeof(Stored) == 32);
    // Where a pooled field's number is kept.
    static int pooledSlot(int field) { return field == kFieldDcAc ? 0 : field - kFieldUnit + 1; }
    static std::uint32_t valueId(const Stored& s) {
        std::uint32_t id;
        std::memcpy(&id, s.value, sizeof id);
        return id;
    }

public:
    // Read access to one record.
    class Row {
    public:
        std::optional<std::int32_t> no() const {
            return has(kFieldNo) ? std::optional<std::int32_t>(s_->no) : std::nullopt;
        }
        std::optional<std::int32_t> timeMs() const {
            return has(kFieldTime) ? std::optional<std::int32_t>(s_->timeMs) : std::nullopt;
        }
        // field is one of kFieldDcAc .. kFieldAuto.
        std::optional<std::string_view> text(int field) const {
            if (!has(field)) return std::nullopt;
            if (field == kFieldValue && s_->valueLength != kPooledValue) {
                return std::string_view(s_->value, s_->valueLength);
            }
            return t_->pool_.text(textId(field));
        }
        bool has(int field) const { return (s_->present >> field) & 1u; }
        // Whether a text field's value (only when it has one) is pooled. A pooled text has a
        // number, equal for equal texts, so writers can prepare each distinct text once; a
        // value kept in the record is short and is prepared where it is used.
        bool pooled(int field) const {
            return field != kFieldValue || s_->valueLength == kPooledValue;
        }
        // The pool number of a pooled text.
        std::uint32_t textId(int field) const {
            return field == kFieldValue ? valueId(*s_) : s_->pooled[pooledSlot(field)];
        }
        std::uint8_t rowState() const { return s_->rowState; }

    private:
        friend class RecordTable;
        Row(const RecordTable* t, const Stored* s) : t_(t), s_(s) {}
        const RecordTable* t_;
        const Stored* s_;
    };

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Row;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Row;
        Row operator*() const { return (*t_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        const_iterator operator++(int) {
            auto old = *this;
            ++i_;
            return old;
        }
        bool operator==(const const_iterator& o) const { return i_ == o.i_; }

    private:
        friend class RecordTable;
        const_iterator(const RecordTable* t, std::size_t i) : t_(t), i_(i) {}
        const RecordTable* t_ = nullptr;
        std::size_t i_ = 0;
    };

    RecordTable();
    RecordTable(RecordTable&&) noexcept;
    RecordTable& operator=(RecordTable&&) noexcept;
    ~RecordTable();

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Row operator[](std::size_t i) const { return Row(this, &slot(i)); }
    Row back() const { return (*this)[size_ - 1]; }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size_); }

    // Appends and posts one record, storing texts by the table's rules.
    void append(const RecordValues& values);
    // Appends a record read from a data packet with its own change state (not logged again).
    void appendWithState(const RecordValues& values, std::uint8_t rowState);
    // The two steps of append() apart, for readers of large files that recognise repeated
    // texts by their bytes themselves: poolText() gives the pool number of a DC/AC, Unit or
    // Auto text (stored by the table's rules), and appendPrepared() appends a record whose
    // pooled texts are given by those numbers and whose value is given as text. A field is
    // missing unless its bit (1 << field) is set in `present`.
    struct PreparedRecord {
        std::int32_t no = 0;
        std::int32_t timeMs = 0;
        std::uint32_t pooled[3] = {};  // DC/AC, Unit, Auto
        std::string_view value;
        std::uint8_t present = 0;
    };
    std::uint32_t poolText(std::string_view text) { return pool_.intern(keptText(text)); }
    void appendPrepared(const PreparedRecord& r, std::uint8_t rowState) {
        Stored& s = newSlot();
        s.no = r.no;
        s.timeMs = r.timeMs;
        std::memcpy(s.pooled, r.pooled, sizeof s.pooled);
        s.present = r.present;
        s.rowState = rowState;
        s.valueLength = 0;
        std::memset(s.value, 0, sizeof s.value);
        if (r.present & (1u << kFieldValue)) {
            const std::size_t n = r.value.size();
            if (n <= kInlineValue && (n == 0 || r.value[n - 1] != ' ')) {
                // Short and not ending in a blank: stored as it stands.
                std::memcpy(s.value, r.value.data(), n);
                s.valueLength = static_cast<std::uint8_t>(n);
            } else {
                storeValue(s, r.value);
            }
        }
    }
    // The row state append() gives a record now.
    std::uint8_t appendedRowState() const { return logging_ ? kRowStateInserted : 0; }

    // Removes all records and the change log; the logging switch stays as it is. The storage
    // of the records is kept for those that follow, as a vector keeps its capacity: emptying
    // a table and filling it again (a new recording, a file loaded in its place) takes no new
    // memory.
    void clear();
    // Keeps the first n records and drops the rest (their storage is kept); the change log
    // of the records kept is unchanged.
    void truncate(std::size_t n);
    // Drops the first n records; those after them move to the front. Row states move with
    // their records; the change log is the caller's to set again.
    void eraseFront(std::size_t n);

    bool changeLogging() const { return logging_; }
    void setChangeLogging(bool on);
    // The log read from a data packet; records appended afterwards are logged after it.
    void setLoadedChangeLog(std::vector<std::uint32_t> log);
    // Three numbers per logged change: position (from 1), 0, change kind.
    std::vector<std::uint32_t> changeLog() const;

    // How many texts appended since the table was made or emptied held more characters than a
    // field keeps (trailing blanks aside) and were cut.
    std::size_t textsCut() const { return textsCut_; }

    // The number of distinct pooled texts.
    std::size_t distinctTexts() const { return pool_.size(); }
    std::string_view textById(std::uint32_t id) const { return pool_.text(id); }

private:
    // Storage grows in blocks that double in size: block 0 holds records 0..63, block k > 0
    // holds the 64 * 2^(k-1) records from 64 * 2^(k-1) on. Nothing is ever moved, and a small
    // table stays small.
    static constexpr std::size_t kFirstBlock = 64;
    static std::size_t blockOf(std::size_t i) {
        return i < kFirstBlock ? 0 : static_cast<std::size_t>(std::bit_width(i / kFirstBlock));
    }
    static std::size_t blockStart(std::size_t b) { return b == 0 ? 0 : kFirstBlock << (b - 1); }
    static std::size_t blockSize(std::size_t b) {
        return b == 0 ? kFirstBlock : kFirstBlock << (b - 1);
    }

    const Stored& slot(std::size_t i) const {
        const std::size_t b = blockOf(i);
        return blocks_[b][i - blockStart(b)];
    }
    Stored& newSlot() {
        if (next_ == blockEnd_) newBlock();
        ++size_;
        return *next_++;
    }
    void newBlock();
    void storeValue(Stored& s, std::string_view text);
    std::uint32_t internText(int column, std::string_view text);
    // storedText(text), counting a text that is cut.
    std::string_view keptText(std::string_view text) {
        const std::string_view kept = storedText(text);
        if (text.size() > kTextWidth && kept.size() < text.find_last_not_of(' ') + 1) ++textsCut_;
        return kept;
    }

    struct FreeBlock {
        void operator()(Stored* p) const;
    };
    std::vector<std::unique_ptr<Stored[], FreeBlock>> blocks_;
    std::size_t size_ = 0;
    Stored* next_ = nullptr;      // where the next record goes
    Stored* blockEnd_ = nullptr;  // the end of the newest block
    TextPool pool_;
    std::array<std::uint32_t, kTextFieldCount> lastText_{};  // cache: same text as last time
    std::array<bool, kTextFieldCount> lastTextValid_{};
    std::array<std::uint64_t, kTextFieldCount> lastKey_{};  // its short key, 0 when long

    bool logging_ = false;
    std::vector<std::uint32_t> loadedLog_;
    std::size_t loggedFrom_ = 0;  // records from here on were appended while logging
    std::size_t textsCut_ = 0;
};

}  // namespace dmm
