#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
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

// Change state of a row that was appended while the change log was on.
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
// Texts are pooled and a record takes 28 bytes, so ten million records fit in a few hundred
// megabytes; appending is O(1) (storage grows in new blocks, nothing is moved).
//
// Change log: off when the table is created. While it is on, every appended record is logged
// as an addition (its row state becomes 4 and the log gains "position 0 4"). A data packet that
// is read back brings its own row states and log. Clearing empties records and log and keeps
// logging as it is.
class RecordTable {
    struct Stored {
        std::int32_t no;
        std::int32_t timeMs;
        std::uint32_t text[kTextFieldCount];
        std::uint8_t present;  // bit per field: the field has a value
        std::uint8_t rowState;
    };

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
            return t_->pool_.text(s_->text[field - kFieldDcAc]);
        }
        bool has(int field) const { return (s_->present >> field) & 1u; }
        // The pool number of a text field's value (only when it has one): equal texts have
        // equal numbers, so writers can prepare each distinct text once.
        std::uint32_t textId(int field) const { return s_->text[field - kFieldDcAc]; }
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
    // Removes all records and the change log; the logging switch stays as it is.
    void clear();

    bool changeLogging() const { return logging_; }
    void setChangeLogging(bool on);
    // The log read from a data packet; records appended afterwards are logged after it.
    void setLoadedChangeLog(std::vector<std::uint32_t> log);
    // Three numbers per logged change: position (from 1), 0, change kind.
    std::vector<std::uint32_t> changeLog() const;

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
    static std::size_t blockSize(std::size_t b) { return b == 0 ? kFirstBlock : kFirstBlock << (b - 1); }

    const Stored& slot(std::size_t i) const {
        const std::size_t b = blockOf(i);
        return blocks_[b][i - blockStart(b)];
    }
    Stored& newSlot();
    std::uint32_t internText(int column, std::string_view text);

    std::vector<std::unique_ptr<Stored[]>> blocks_;
    std::size_t size_ = 0;
    TextPool pool_;
    std::array<std::uint32_t, kTextFieldCount> lastText_{};  // cache: same text as last time
    std::array<bool, kTextFieldCount> lastTextValid_{};
    std::array<std::uint64_t, kTextFieldCount> lastKey_{};  // its short key, 0 when long

    bool logging_ = false;
    std::vector<std::uint32_t> loadedLog_;
    std::size_t loggedFrom_ = 0;  // records from here on were appended while logging
};

}  // namespace dmm
