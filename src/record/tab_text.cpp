// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "tab_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <utility>

#include "grid_columns.h"
#include "integer_text.h"
#include "output_buffer.h"
#include "rendered_texts.h"
#include "text_codec.h"
#include "word_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dmm {

namespace {

// The grid's column titles joined by TABs, with CR LF.
constexpr auto kHeader = [] {
    std::array<char, 64> line{};
    std::size_t n = 0;
    for (const auto& c : kGridColumns) {
        if (n) line[n++] = '\t';
        for (char ch : c.title) line[n++] = ch;
    }
    line[n++] = '\r';
    line[n++] = '\n';
    return std::pair{line, n};
}();

}  // namespace

const std::string_view kTabHeaderLine(kHeader.first.data(), kHeader.second);

void splitText(std::string_view line, char delimiter, std::vector<std::string_view>& pieces,
               std::size_t most) {
    pieces.clear();
    std::size_t start = 0;
    // Cuts at `at`; false once the next piece is the last one allowed.
    const auto cut = [&](std::size_t at) {
        if (pieces.size() + 1 >= most) return false;
        pieces.push_back(line.substr(start, at - start));
        start = at + 1;
        return true;
    };
    std::size_t i = 0;
    if constexpr (wordscan::kUsable) {
        for (; i + 8 <= line.size(); i += 8) {
            const std::uint64_t w = wordscan::load8(line.data() + i);
            for (std::uint64_t m = wordscan::markBytesEqual(w, delimiter); m != 0; m &= m - 1) {
                if (!cut(i + wordscan::firstMarkedByte(m))) {
                    pieces.push_back(line.substr(start));
                    return;
                }
            }
        }
    }
    for (; i < line.size(); ++i) {
        if (line[i] == delimiter && !cut(i)) break;
    }
    pieces.push_back(line.substr(start));
}

namespace {

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool endsPiece(char c) { return c == '\t' || c == '\r' || c == '\n'; }

// Appends a value trimmed of blanks and control characters at both ends, or "NULL". A TAB, CR
// or LF inside it becomes a blank, so that the line stays one record of six values.
void appendTrimmedOrNull(std::string& out, std::string_view cp1252) {
    while (!cp1252.empty() && isBlankOrControl(cp1252.front())) cp1252.remove_prefix(1);
    while (!cp1252.empty() && isBlankOrControl(cp1252.back())) cp1252.remove_suffix(1);
    if (cp1252.empty()) {
        out.append("NULL");
        return;
    }
    const std::size_t from = out.size();
    out.append(cp1252);
    std::replace_if(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), endsPiece, ' ');
}

// The file form of a time or text value: Windows-1252, trimmed, "NULL" when nothing is left.
void renderValue(std::string& out, std::string_view utf8) {
    if (isAscii(utf8)) {
        appendTrimmedOrNull(out, utf8);
        return;
    }
    thread_local std::string cp;
    cp.clear();
    appendUtf8AsCp1252(cp, utf8);
    appendTrimmedOrNull(out, cp);
}

void appendNumber(std::string& out, std::int32_t n) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, r.ptr);
}

}  // namespace

void appendTabLine(std::string& out, const RecordTable::Row& row, const LongTimeFormat& fmt) {
    if (auto no = row.no()) appendNumber(out, *no);
    out.push_back('\t');
    if (auto t = row.timeMs()) {
        std::string formatted;
        fmt.appendTo(formatted, *t);
        renderValue(out, formatted);
    } else {
        out.append("NULL");
    }
    for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
        out.push_back('\t');
        renderValue(out, row.text(f).value_or(std::string_view()));
    }
    out.append("\r\n");
}

namespace {

bool writeTabTextTo(std::string& out, const ByteSink* sink, const RecordTable& table,
                    const LongTimeFormat& fmt) {
    out.append(kTabHeaderLine);
    // The same as appendTabLine per record, with each distinct text prepared once and the time
    // formatted once per second.
    RenderedTexts texts(table, renderValue, [](std::string_view t) {
        // Plain ASCII with no blank or control character at either end, and none that ends a
        // piece inside, renders as itself.
        if (t.empty() || isBlankOrControl(t.front()) || isBlankOrControl(t.back())) return false;
        unsigned char high = 0;
        for (char c : t) {
            if (endsPiece(c)) return false;
            high |= static_cast<unsigned char>(c);
        }
        return high < 0x80;
    });
    std::int32_t lastSecond = -1;
    std::string time;
    std::string formatted;
    OutputBuffer buf(out, sink);
    for (const auto row : table) {
        if (!buf.ok()) break;
        if (auto t = row.timeMs()) {
            if (*t / 1000 != lastSecond) {
                lastSecond = *t / 1000;
                formatted.clear();
                fmt.appendTo(formatted, *t);
                time.clear();
                renderValue(time, formatted);
            }
        }
        // Preparing a pooled text can move the others, so their places are taken once all are
        // ready; the value comes last, as its form is kept only until the next row.
        std::size_t size = 24 + time.size();  // number, TABs, CR LF and time
        for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
            if (!row.has(f)) size += 4;
            else if (row.pooled(f)) size += texts.get(row.textId(f)).size();
        }
        const std::string_view value = row.has(kFieldValue) ? texts.get(row, kFieldValue) : "NULL";
        size += value.size();
        char* p = buf.room(size);
        if (auto no = row.no()) p = OutputBuffer::putInt(p, *no);
        *p++ = '\t';
        p = row.has(kFieldTime) ? OutputBuffer::put(p, time) : OutputBuffer::put(p, "NULL");
        for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
            *p++ = '\t';
            if (f == kFieldValue) {
                p = OutputBuffer::put(p, value);
            } else {
                p = row.has(f) ? OutputBuffer::put(p, texts.get(row.textId(f)))
                               : OutputBuffer::put(p, "NULL");
            }
        }
        p = OutputBuffer::put(p, "\r\n");
        buf.advance(p);
    }
    return buf.finish();
}

}  // namespace

std::string tabText(const RecordTable& table, const LongTimeFormat& fmt) {
    std::string out;
    out.reserve(kTabHeaderLine.size() + table.size() * 40);
    writeTabTextTo(out, nullptr, table, fmt);
    return out;
}

bool writeTabText(const RecordTable& table, const LongTimeFormat& fmt, const ByteSink& sink) {
    std::string block;
    return writeTabTextTo(block, &sink, table, fmt);
}

bool TabTextReader::fail(std::string why) {
    failed_ = true;
    failure_ =
        lineNo_ == 0 ? std::move(why) : "line " + std::to_string(lineNo_) + ": " + std::move(why);
    return false;
}

bool TabTextReader::line(std::string_view bytes) {
    ++lineNo_;
    if (!headerDone_) {
        headerDone_ = true;
        return true;
    }
    std::string_view text = bytes;
    if (!isAscii(bytes)) {
        utf8_.clear();
        appendCp1252AsUtf8(utf8_, bytes);
        text = utf8_;
    }
    // A seventh piece is enough to refuse the line, so what follows it is not cut.
    splitText(text, '\t', pieces_, kFieldCount + 1);
    if (pieces_.size() > kFieldCount) return fail("more than six values");
    const std::size_t count = pieces_.size();

    RecordValues& v = values_;
    v.no.reset();
    v.timeMs.reset();
    if (const std::string_view no = pieces_[0]; !no.empty()) {
        // Blanks before a record number are passed over: a file made elsewhere may align them.
        v.no = parseIntegerText(no.substr(std::min(no.find_first_not_of(' '), no.size())));
        if (!v.no) return fail(notAnIntegerMessage(no));
    }
    // "NULL" is how a missing time is written.
    if (const std::string_view time = count > 1 ? pieces_[1] : std::string_view();
        !time.empty() && time != "NULL") {
        if (time == lastTimeText_ && lastTime_ >= 0) {
            v.timeMs = lastTime_;
        } else {
            v.timeMs = fmt_.parse(time);
            if (!v.timeMs) return fail("'" + std::string(time) + "' is not a valid time");
            lastTimeText_.assign(time);
            lastTime_ = *v.timeMs;
        }
    }
    for (std::size_t i = kFieldDcAc; i < kFieldCount; ++i) {
        if (i < count) {
            v.text[i - kFieldDcAc] = pieces_[i];
        } else {
            v.text[i - kFieldDcAc].reset();
        }
    }
    table_.append(v);
    ++added_;
    return true;
}

std::size_t markLineStops(std::string_view block, std::vector<std::uint32_t>& stops) {
    if (stops.size() < block.size()) stops.resize(block.size());  // room for every byte
    std::uint32_t* out = stops.data();
    std::size_t i = 0;
    auto emit = [&out](std::size_t at, unsigned bits) {
        for (; bits != 0; bits &= bits - 1) {
            *out++ = static_cast<std::uint32_t>(at + static_cast<unsigned>(std::countr_zero(bits)));
        }
    };
#if defined(__SSE2__)
    // Sixteen bytes at a time: as signed bytes, the stops are exactly those below 0x20.
    const __m128i limit = _mm_set1_epi8(0x20);
    for (; i + 16 <= block.size(); i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block.data() + i));
        emit(i, static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, limit))));
    }
#endif
    if constexpr (wordscan::kUsable) {
        for (; i + 8 <= block.size(); i += 8)
            emit(i, wordscan::specialBits(wordscan::load8(block.data() + i)));
    }
    for (; i < block.size(); ++i) {
        const auto c = static_cast<unsigned char>(block[i]);
        if (c < 0x20 || c >= 0x80) *out++ = static_cast<std::uint32_t>(i);
    }
    return static_cast<std::size_t>(out - stops.data());
}

namespace {

// The usual line (six pieces, a record number of digits, a time, texts of printable ASCII)
// read with the line's stops already found into `r`, each piece but the value compared with
// the one before it in its column. `base` is where the stops' offsets count from, and `stop`
// the first stop not yet passed; DC/AC, Unit and Auto texts go to the pool of `table`.
// Returns where the next line starts, or nullptr for any other line (which is then read the
// general way), having changed nothing but the cache. Every read stays before `end`.
const char* readUsualLine(const char* base, const char* p, const char* end,
                          const std::uint32_t*& stop, const std::uint32_t* stopsEnd,
                          const LongTimeFormat& fmt, TabTextReader::LineCache& cache,
                          RecordTable& table, RecordTable::PreparedRecord& r) {
    const auto at = static_cast<std::uint32_t>(p - base);
    while (stop != stopsEnd && *stop < at) ++stop;
    if (stopsEnd - stop < kFieldCount) return nullptr;
    // Piece k runs from from(k) to to[k] (offsets from p); to[k] is a TAB, the last one a
    // CR or LF. Pieces are loaded eight bytes at a time, so the line must end well before
    // `end`.
    std::uint32_t to[kFieldCount];
    for (int k = 0; k < kFieldCount; ++k) to[k] = stop[k] - at;
    if (end - p < static_cast<std::ptrdiff_t>(to[kFieldCount - 1]) + 16) return nullptr;
    for (int k = 0; k < kFieldCount - 1; ++k) {
        if (p[to[k]] != '\t') return nullptr;
    }
    const char lineEnd = p[to[kFieldCount - 1]];
    if (lineEnd != '\r' && lineEnd != '\n') return nullptr;
    auto from = [&](int k) { return k == 0 ? 0u : to[k - 1] + 1; };
    auto length = [&](int k) { return static_cast<std::size_t>(to[k] - from(k)); };

    // A record number of up to nine digits always fits; a longer one, a sign or anything else
    // takes the general way.
    const std::size_t digits = length(kFieldNo);
    if (digits == 0 || digits > 9) return nullptr;
    const DigitRun no = readDigits(std::string_view(p, digits));
    if (no.length != digits) return nullptr;
    r.no = static_cast<std::int32_t>(no.value);
    const char* time = p + from(kFieldTime);
    const std::size_t timeLength = length(kFieldTime);
    // Times repeat from line to line and are compared by their key; a longer one (a 12-hour
    // time with its marker) takes the general way.
    if (timeLength == 0 || timeLength > ShortTextKey::kMaxLength) return nullptr;
    bool timeMissing = false;
    if (const ShortTextKey key = ShortTextKey::ofPadded(time, timeLength);
        timeLength == 4 && std::memcmp(time, "NULL", 4) == 0) {
        timeMissing = true;  // how a missing time is written
    } else if (key == cache.timeKey) {
        r.timeMs = cache.timeMs;
    } else {
        const std::optional<std::int32_t> ms = fmt.parse(std::string_view(time, timeLength));
        if (!ms) return nullptr;
        cache.timeKey = key;
        cache.timeMs = r.timeMs = *ms;
    }
    r.value = std::string_view(p + from(kFieldValue), length(kFieldValue));
    for (int k = 0; k < 3; ++k) {
        const int f = k == 0 ? kFieldDcAc : kFieldUnit + k - 1;
        r.pooled[k] = cache.texts.number(table, k, p + from(f), length(f));
    }
    r.present = (1u << kFieldCount) - 1;
    if (timeMissing) r.present &= ~(1u << kFieldTime);
    // Past the CR or LF that ended the line, and the LF of a CR LF.
    p += to[kFieldCount - 1] + 1;
    stop += kFieldCount;
    if (lineEnd == '\r' && *p == '\n') {
        ++p;
        ++stop;
    }
    return p;
}

}  // namespace

const char* TabTextReader::fastLine(const char* base, const char* p, const char* end,
                                    const std::uint32_t*& stop, const std::uint32_t* stopsEnd) {
    RecordTable::PreparedRecord r;
    const char* next = readUsualLine(base, p, end, stop, stopsEnd, fmt_, cache_, table_, r);
    if (next == nullptr) return nullptr;
    table_.appendPrepared(r, table_.appendedRowState());
    ++lineNo_;
    ++added_;
    return next;
}

bool TabTextReader::feed(std::string_view bytes, const LineStops* given) {
    if (failed_) return false;
    if (!bytes.empty()) sawAnything_ = true;
    std::size_t i = 0;
    if (pendingCr_ && !bytes.empty()) {
        pendingCr_ = false;
        if (bytes[0] == '\n') i = 1;
    }
    // Given stops cover the whole block. Otherwise they are found a stretch at a time (a
    // stretch stays in the cache, and a whole file fed at once takes no index of its size):
    // `base` is where the current stretch, and its stops' offsets, start.
    const bool own = given == nullptr;
    const char* base = bytes.data();
    const char* stretchEnd = base;
    const std::uint32_t* stop = own ? nullptr : given->offsets.data();
    const std::uint32_t* stopsEnd = own ? nullptr : stop + given->count;
    auto findStops = [&](const char* from) {
        constexpr std::size_t kStretch = std::size_t{64} << 10;
        const std::size_t n =
            std::min(kStretch, bytes.size() - static_cast<std::size_t>(from - bytes.data()));
        own_.find(std::string_view(from, n));
        base = from;
        stretchEnd = from + n;
        stop = own_.offsets.data();
        stopsEnd = stop + own_.count;
    };
    while (i < bytes.size()) {
        // Lines as this program writes them, nearly all of a file, are read with fixed steps;
        // the first line that is not such a line, or is cut by the block's end, goes below.
        if (headerDone_ && partial_.empty()) {
            const char* p = bytes.data() + i;
            const char* const end = bytes.data() + bytes.size();
            if (own && p >= stretchEnd) findStops(p);
            for (;;) {
                const char* next = fastLine(base, p, end, stop, stopsEnd);
                if (next == nullptr) {
                    // A line may go on past the stretch: find the stops from it on, once.
                    if (!own || stretchEnd == end || p == base || stopsEnd - stop > kFieldCount)
                        break;
                    findStops(p);
                    continue;
                }
                p = next;
            }
            i = static_cast<std::size_t>(p - bytes.data());
            if (i == bytes.size()) break;
        }
        // The line ends at the first CR or LF.
        const char* from = bytes.data() + i;
        const std::size_t rest = bytes.size() - i;
        const void* lf = std::memchr(from, '\n', rest);
        const std::size_t upTo =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - from) : rest;
        const void* cr = std::memchr(from, '\r', upTo);
        std::size_t end =
            i + (cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - from) : upTo);
        if (partial_.size() + (end - i) > kMaxLine) {
            ++lineNo_;  // the line being read
            return fail("line too long");
        }
        if (end == bytes.size()) {
            partial_.append(bytes.substr(i));
            return true;
        }
        bool ok;
        if (partial_.empty()) {
            ok = line(bytes.substr(i, end - i));
        } else {
            partial_.append(bytes.substr(i, end - i));
            ok = line(partial_);
            partial_.clear();
        }
        if (!ok) return false;
        if (bytes[end] == '\r') {
            if (end + 1 == bytes.size()) {
                pendingCr_ = true;
                return true;
            }
            if (bytes[end + 1] == '\n') ++end;
        }
        i = end + 1;
    }
    return true;
}

bool TabTextReader::finish() {
    if (failed_) return false;
    if (!sawAnything_) {
        lineNo_ = 0;
        return fail("the file is empty");
    }
    if (!partial_.empty()) {
        const bool ok = line(partial_);
        partial_.clear();
        return ok;
    }
    return true;
}

bool readTabText(std::string_view bytes, RecordTable& table, const LongTimeFormat& fmt,
                 std::string* failure) {
    TabTextReader reader(table, fmt);
    const bool ok = reader.feed(bytes) && reader.finish();
    if (!ok && failure) *failure = reader.failure();
    return ok;
}

}  // namespace dmm
