#include "tab_text.h"

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

void SplitText(std::string_view line, char delimiter, std::vector<std::string_view>& pieces) {
    pieces.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = line.find(delimiter, start);
        if (at == std::string_view::npos) {
            pieces.push_back(line.substr(start));
            return;
        }
        pieces.push_back(line.substr(start, at - start));
        start = at + 1;
    }
}

namespace {

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Appends a value trimmed of blanks and control characters at both ends, or "NULL".
void appendTrimmedOrNull(std::string& out, std::string_view cp1252) {
    while (!cp1252.empty() && isBlankOrControl(cp1252.front())) cp1252.remove_prefix(1);
    while (!cp1252.empty() && isBlankOrControl(cp1252.back())) cp1252.remove_suffix(1);
    out.append(cp1252.empty() ? std::string_view("NULL") : cp1252);
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

// Where in memory order the lowest marked byte of a word lies, times eight.
int readOrder(std::uint64_t marks) {
    if constexpr (std::endian::native == std::endian::little) {
        return std::countr_zero(marks);
    } else {
        return std::countl_zero(marks);
    }
}

// One to nine digits and nothing else, the usual form of a record number; nothing otherwise.
std::optional<std::int32_t> plainNumber(std::string_view s) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    std::int32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
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
        // Plain ASCII with no blank or control character at either end renders as itself.
        if (t.empty() || isBlankOrControl(t.front()) || isBlankOrControl(t.back())) return false;
        unsigned char high = 0;
        for (char c : t) high |= static_cast<unsigned char>(c);
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
    failure_ = "line " + std::to_string(lineNo_) + ": " + std::move(why);
    return false;
}

bool TabTextReader::line(std::string_view bytes) {
    ++lineNo_;
    if (!headerDone_) {
        headerDone_ = true;
        return true;
    }
    // One pass finds the TABs and whether the line is plain ASCII.
    std::size_t tabs[kFieldCount];
    std::size_t tabCount = 0;
    std::uint64_t high = 0;
    std::size_t i = 0;
    // Eight bytes at a time: a TAB byte becomes 0x80 in `tab`, every other byte 0.
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        high |= w;
        const std::uint64_t x = w ^ 0x0909090909090909ULL;
        std::uint64_t tab = ~(((x & 0x7F7F7F7F7F7F7F7FULL) + 0x7F7F7F7F7F7F7F7FULL) | x |
                              0x7F7F7F7F7F7F7F7FULL);
        while (tab != 0) {
            if (tabCount == kFieldCount - 1) return fail("more than six values");
            tabs[tabCount++] = i + static_cast<std::size_t>(readOrder(tab)) / 8;
            tab &= tab - 1;
        }
    }
    for (; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        high |= c;
        if (c == '\t') {
            if (tabCount == kFieldCount - 1) return fail("more than six values");
            tabs[tabCount++] = i;
        }
    }
    std::string_view text = bytes;
    if (high & 0x8080808080808080ULL) {
        utf8_.clear();
        appendCp1252AsUtf8(utf8_, bytes);
        text = utf8_;
        tabCount = 0;  // the positions moved; find them again
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\t') tabs[tabCount++] = i;
        }
    }
    const std::size_t count = tabCount + 1;
    // Piece k runs from after TAB k - 1 to TAB k (the line's end for the last one). No arrays
    // of pieces or values are cleared per line: that showed up as a cost of its own.
    auto piece = [&](std::size_t k) {
        const std::size_t begin = k == 0 ? 0 : tabs[k - 1] + 1;
        const std::size_t end = k < tabCount ? tabs[k] : text.size();
        return text.substr(begin, end - begin);
    };

    RecordValues& v = values_;
    v.no.reset();
    v.timeMs.reset();
    if (const std::string_view no = piece(0); !no.empty()) {
        v.no = plainNumber(no);
        if (!v.no) v.no = parseIntegerText(no);
        if (!v.no) return fail(notAnIntegerMessage(no));
    }
    if (const std::string_view time = count > 1 ? piece(1) : std::string_view(); !time.empty()) {
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
            v.text[i - kFieldDcAc] = piece(i);
        } else {
            v.text[i - kFieldDcAc].reset();
        }
    }
    table_.append(v);
    ++added_;
    return true;
}

namespace {

std::uint64_t load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// Marks with 0x80 the bytes of a little-endian word that are below 0x20 (TAB, CR, LF and the
// other controls) or from 0x80 up. Only the lowest mark is exact (a borrow can mark a byte
// above it), and only the lowest is used.
std::uint64_t specialBytes(std::uint64_t w) {
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    return ((w - 0x2020202020202020ULL) & ~w & kHigh) | (w & kHigh);
}

}  // namespace

// The usual line (six pieces, a record number of digits, a time, texts of printable ASCII)
// read in one pass over words of eight bytes, with each piece compared with the one before
// it in its column; nullptr, having changed nothing, for any other line, which is then read
// by line(). Every read stays before `end`.
const char* TabTextReader::fastLine(const char* p, const char* end) {
    if constexpr (std::endian::native != std::endian::little) return nullptr;
    // The length of the piece at `p`, up to its first special byte; false when it is longer
    // than a few words or runs too close to `end`.
    auto piece = [end](const char* at, std::size_t& length) {
        for (std::size_t n = 0; n <= 32; n += 8) {
            if (end - (at + n) < 8) return false;
            if (const std::uint64_t m = specialBytes(load8(at + n)); m != 0) {
                length = n + static_cast<std::size_t>(std::countr_zero(m)) / 8;
                return true;
            }
        }
        return false;
    };
    auto pack = [](const char* at, std::size_t length) {
        const std::uint64_t w = load8(at);
        return Packed{length == 8 ? w : w & ((std::uint64_t{1} << (8 * length)) - 1),
                      static_cast<std::uint8_t>(length)};
    };
    RecordTable::PreparedRecord r;
    std::size_t n = 0;
    if (!piece(p, n) || p[n] != '\t' || n == 0 || n > 9) return nullptr;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned digit = static_cast<unsigned char>(p[i]) - unsigned{'0'};
        if (digit > 9) return nullptr;
        r.no = r.no * 10 + static_cast<std::int32_t>(digit);
    }
    p += n + 1;
    if (!piece(p, n) || p[n] != '\t' || n == 0 || n > 8) return nullptr;
    if (const Packed time = pack(p, n); time == lastTimeBytes_) {
        r.timeMs = lastTimeMs_;
    } else {
        const auto ms = fmt_.parse(std::string_view(p, n));
        if (!ms) return nullptr;
        lastTimeBytes_ = time;
        lastTimeMs_ = r.timeMs = *ms;
    }
    p += n + 1;
    for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
        if (!piece(p, n)) return nullptr;
        const char sep = p[n];
        if (f < kFieldAuto ? sep != '\t' : sep != '\r' && sep != '\n') return nullptr;
        if (f == kFieldValue) {
            r.value = std::string_view(p, n);
        } else {
            const int k = f == kFieldDcAc ? 0 : f - kFieldUnit + 1;
            if (n > 8) {
                r.pooled[k] = table_.poolText(std::string_view(p, n));
            } else if (const Packed text = pack(p, n); text == lastPooledBytes_[k]) {
                r.pooled[k] = lastPooledId_[k];
            } else {
                lastPooledId_[k] = r.pooled[k] = table_.poolText(std::string_view(p, n));
                lastPooledBytes_[k] = text;
            }
        }
        p += n + 1;
    }
    // p is past the CR or LF that ended the line; a CR at the very end may yet be followed
    // by the LF of the next block.
    if (p[-1] == '\r') {
        if (p == end) return nullptr;
        if (*p == '\n') ++p;
    }
    r.present = (1u << kFieldCount) - 1;
    table_.appendPrepared(r, table_.appendedRowState());
    ++lineNo_;
    ++added_;
    return p;
}

const char* TabTextReader::fastLines(const char* p, const char* end) {
    while (const char* next = fastLine(p, end)) p = next;
    return p;
}

bool TabTextReader::feed(std::string_view bytes) {
    if (failed_) return false;
    if (!bytes.empty()) sawAnything_ = true;
    std::size_t i = 0;
    if (pendingCr_ && !bytes.empty()) {
        pendingCr_ = false;
        if (bytes[0] == '\n') i = 1;
    }
    while (i < bytes.size()) {
        if (headerDone_ && partial_.empty()) {
            i = static_cast<std::size_t>(fastLines(bytes.data() + i, bytes.data() + bytes.size()) -
                                         bytes.data());
            if (i == bytes.size()) break;
        }
        // The line ends at the first CR or LF.
        const char* from = bytes.data() + i;
        const std::size_t rest = bytes.size() - i;
        const void* lf = std::memchr(from, '\n', rest);
        const std::size_t upTo = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - from) : rest;
        const void* cr = std::memchr(from, '\r', upTo);
        std::size_t end = i + (cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - from) : upTo);
        if (end == bytes.size()) {
            if (partial_.size() + (end - i) > kMaxLine) return fail("line too long");
            partial_.append(bytes.substr(i));
            return true;
        }
        bool ok;
        if (partial_.empty()) {
            if (end - i > kMaxLine) return fail("line too long");
            ok = line(bytes.substr(i, end - i));
        } else {
            if (partial_.size() + (end - i) > kMaxLine) return fail("line too long");
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
