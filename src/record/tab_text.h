// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "byte_sink.h"
#include "long_time_format.h"
#include "record_table.h"
#include "repeated_texts.h"
#include "short_text_key.h"

namespace dmm {

// Cuts `line` at every `delimiter`: n delimiters give n + 1 pieces, empty ones included; a
// line without a delimiter is one piece, an empty line one empty piece. The pieces point into
// `line`. At most `most` pieces (at least 1) are made: the last one then holds the rest of the
// line, delimiters and all.
void splitText(std::string_view line, char delimiter, std::vector<std::string_view>& pieces,
               std::size_t most = SIZE_MAX);

// TAB text, Windows-1252, every line ended by CR LF: the header line of column titles, then
// one line per record. No is written as its number; Time in the long time format; the
// texts as stored. Each value but No has leading and trailing blanks and control characters
// removed and is "NULL" when nothing is left; a TAB, CR or LF inside a value becomes a blank.
extern const std::string_view kTabHeaderLine;  // "No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n"
void appendTabLine(std::string& out, const RecordTable::Row& row, const LongTimeFormat& fmt);
std::string tabText(const RecordTable& table, const LongTimeFormat& fmt);
// The same bytes passed to `sink` a block at a time; false (and stops) when the sink refuses.
bool writeTabText(const RecordTable& table, const LongTimeFormat& fmt, const ByteSink& sink);

// Puts at the start of `stops` the offset of every byte of `block` that can end a piece of a
// line or make it other than plain ASCII: the bytes below 0x20 (TAB, CR, LF and other
// controls) and from 0x80 up, in order; returns how many. `stops` grows to the block's size
// when it is shorter, and is never cut.
std::size_t markLineStops(std::string_view block, std::vector<std::uint32_t>& stops);

// Reads TAB text into a table, fed in blocks of any size. The first line is the header and
// is skipped whatever it holds; each further line (ended by CR LF, CR or LF; a final line
// break adds no empty line) becomes one record appended after those already in the table,
// pieces assigned to the fields by position. "No" must be an integer and "Time" a time of day
// (an empty piece, and "NULL" as the writer puts it, give no value); texts are stored as they
// stand, "NULL" included; a line with fewer than six pieces leaves the remaining fields
// without values. Failures name the line, counting the header as line 1.
//
// The first line that cannot be read (a seventh piece, a number or time that does not
// convert, a line over 1 MiB) stops the reading: the records of earlier lines stay, that
// line's record is not added, and nothing after it is read. An empty input is a failure.
class TabTextReader {
public:
    TabTextReader(RecordTable& table, const LongTimeFormat& fmt) : table_(table), fmt_(fmt) {}

    // What the reading of usual lines remembers from line to line: the last time as it stood
    // in the file with what it became, and the last DC/AC, Unit and Auto texts.
    struct LineCache {
        ShortTextKey timeKey;
        std::int32_t timeMs = 0;
        RepeatedTexts texts;
    };

    // The line stops of a block (see markLineStops), perhaps found on another thread before
    // the block is fed.
    struct LineStops {
        std::vector<std::uint32_t> offsets;
        std::size_t count = 0;
        void find(std::string_view block) { count = markLineStops(block, offsets); }
    };

    // Both return false once the reading has failed. `stops`, when given, are those of
    // `bytes`; otherwise feed() finds them itself.
    bool feed(std::string_view bytes, const LineStops* stops = nullptr);
    bool finish();

    bool failed() const { return failed_; }
    const std::string& failure() const { return failure_; }  // why, for logs and dmmcli
    std::size_t recordsAdded() const { return added_; }

    static constexpr std::size_t kMaxLine = std::size_t{1} << 20;

private:
    bool line(std::string_view bytes);
    const char* fastLine(const char* base, const char* p, const char* end,
                         const std::uint32_t*& stop, const std::uint32_t* stopsEnd);
    bool fail(std::string why);

    RecordTable& table_;
    const LongTimeFormat& fmt_;
    std::string partial_;  // a line not yet ended
    bool pendingCr_ = false;
    bool sawAnything_ = false;
    bool headerDone_ = false;
    bool failed_ = false;
    std::string failure_;
    std::size_t lineNo_ = 0;
    std::size_t added_ = 0;
    std::string utf8_;
    std::vector<std::string_view> pieces_;  // of the line being read, reused from line to line
    std::string lastTimeText_;
    std::int32_t lastTime_ = -1;
    RecordValues values_;  // reused from line to line
    LineStops own_;  // when feed() finds the stops itself
    LineCache cache_;
};

// Reads a whole TAB text held in memory. Returns false on failure.
bool readTabText(std::string_view bytes, RecordTable& table, const LongTimeFormat& fmt,
                 std::string* failure = nullptr);

}  // namespace dmm
