#include "data_packet_xml.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "clock_time.h"
#include "integer_text.h"
#include "output_buffer.h"
#include "rendered_texts.h"
#include "repeated_texts.h"
#include "short_text_key.h"
#include "text_codec.h"
#include "word_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dmm {

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" standalone=\"yes\"?>  ";

// The characters a text's file form replaces by a reference.
constexpr auto kReplaced = [] {
    std::array<bool, 256> t{};
    for (char c : {'<', '>', '&', '\'', '"', '\r', '\n', '\t', '\\'}) {
        t[static_cast<unsigned char>(c)] = true;
    }
    return t;
}();

void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '<': out.append("&lt;"); break;
            case '>': out.append("&gt;"); break;
            case '&': out.append("&amp;"); break;
            case '\'': out.append("&apos;"); break;
            case '"': out.append("&quot;"); break;
            case '\r': out.append("&#013;"); break;
            case '\n': out.append("&#010;"); break;
            case '\t': out.append("&#009;"); break;
            case '\\': out.append("&#092;"); break;
            default: out.push_back(c); break;
        }
    }
}

void appendInt(std::string& out, std::int64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

bool writeDataPacketTo(std::string& out, const ByteSink* sink, const RecordTable& table) {
    out.append(kDeclaration);
    out.append("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    for (const auto& f : kFields) {
        out.append("<FIELD attrname=\"");
        out.append(f.name);
        switch (f.kind) {
            case FieldKind::Integer: out.append("\" fieldtype=\"i4\"/>"); break;
            case FieldKind::Time: out.append("\" fieldtype=\"time\"/>"); break;
            case FieldKind::Text:
                out.append("\" fieldtype=\"string\" WIDTH=\"");
                appendInt(out, kTextWidth);
                out.append("\"/>");
                break;
        }
    }
    out.append("</FIELDS>");
    const std::vector<std::uint32_t> log = table.changeLog();
    if (log.empty()) {
        out.append("<PARAMS/>");
    } else {
        out.append("<PARAMS CHANGE_LOG=\"");
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (i) out.push_back(' ');
            appendInt(out, log[i]);
        }
        out.append("\"/>");
    }
    out.append("</METADATA><ROWDATA>");
    auto render = [](std::string& to, std::string_view utf8) {
        if (isAscii(utf8)) {
            appendEscaped(to, utf8);
        } else {
            // Escaped first: the bytes escaped are ASCII, never part of a UTF-8 sequence, and the
            // references made for characters the code page lacks stay as they are.
            std::string escaped;
            appendEscaped(escaped, utf8);
            appendUtf8AsCp1252(to, escaped, Unmapped::Reference);
        }
    };
    // ASCII without a character that is replaced is written as it stands.
    auto plain = [](std::string_view t) {
        for (char c : t) {
            if (static_cast<unsigned char>(c) >= 0x80 || kReplaced[static_cast<unsigned char>(c)]) {
                return false;
            }
        }
        return true;
    };
    RenderedTexts texts(table, render, plain);
    // A row takes at most 4 + 15 + 17 + 19 + 2 bytes besides its texts, and a text at most its
    // name, four more bytes and its prepared form.
    std::string_view names[kTextFieldCount];
    for (int f = kFieldDcAc; f <= kFieldAuto; ++f) names[f - kFieldDcAc] = kFields[f].name;
    OutputBuffer buf(out, sink);
    for (const auto row : table) {
        if (!buf.ok()) break;
        // Preparing a pooled text can move the others, so their places are taken once all are
        // ready; the value comes last, as its form is kept only until the next row.
        std::size_t size = 64;
        for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
            if (row.has(f) && row.pooled(f)) size += 12 + texts.get(row.textId(f)).size();
        }
        const std::string_view value =
            row.has(kFieldValue) ? texts.get(row, kFieldValue) : std::string_view();
        size += 12 + value.size();
        char* p = OutputBuffer::put(buf.room(size), "<ROW");
        if (row.rowState() != 0) {
            p = OutputBuffer::put(p, " RowState=\"");
            p = OutputBuffer::putInt(p, row.rowState());
            *p++ = '"';
        }
        if (auto no = row.no()) {
            p = OutputBuffer::put(p, " No=\"");
            p = OutputBuffer::putInt(p, *no);
            *p++ = '"';
        }
        if (auto t = row.timeMs()) {
            const int ms = *t;
            char time[12] = {'0', '0', ':', '0', '0', ':', '0', '0', '0', '0', '0', '"'};
            int v = ms / 3600000;
            time[0] = static_cast<char>('0' + v / 10 % 10);
            time[1] = static_cast<char>('0' + v % 10);
            v = ms / 60000 % 60;
            time[3] = static_cast<char>('0' + v / 10);
            time[4] = static_cast<char>('0' + v % 10);
            v = ms % 60000;
            for (int i = 10; i >= 6; --i, v /= 10) time[i] = static_cast<char>('0' + v % 10);
            p = OutputBuffer::put(p, " Time=\"");
            std::memcpy(p, time, sizeof time);
            p += sizeof time;
        }
        for (int f = kFieldDcAc; f <= kFieldAuto; ++f) {
            if (!row.has(f)) continue;
            *p++ = ' ';
            p = OutputBuffer::put(p, names[f - kFieldDcAc]);
            p = OutputBuffer::put(p, "=\"");
            p = OutputBuffer::put(p, f == kFieldValue ? value : texts.get(row.textId(f)));
            *p++ = '"';
        }
        p = OutputBuffer::put(p, "/>");
        buf.advance(p);
    }
    buf.append("</ROWDATA></DATAPACKET>");
    return buf.finish();
}

}  // namespace

void appendDataPacket(std::string& out, const RecordTable& table) {
    writeDataPacketTo(out, nullptr, table);
}

bool writeDataPacket(const RecordTable& table, const ByteSink& sink) {
    std::string block;
    return writeDataPacketTo(block, &sink, table);
}

std::string dataPacket(const RecordTable& table) {
    std::string out;
    out.reserve(600 + table.size() * 90);
    appendDataPacket(out, table);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

bool isSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The bytes that end an attribute name: blanks and control characters, '=', and those not
// allowed in one.
constexpr auto kEndsName = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c <= ' '; ++c) t[c] = true;
    for (char c : {'=', '<', '>', '"', '\'', '&'}) t[static_cast<unsigned char>(c)] = true;
    return t;
}();

enum class TypeKind { Integer, Time, Text, Other };

TypeKind kindOfType(std::string_view t) {
    static constexpr std::array<std::string_view, 8> ints = {"i1",  "i2",  "i4",  "i8",
                                                             "ui1", "ui2", "ui4", "ui8"};
    for (auto i : ints) {
        if (equalsIgnoringCase(t, i)) return TypeKind::Integer;
    }
    if (equalsIgnoringCase(t, "time")) return TypeKind::Time;
    if (equalsIgnoringCase(t, "string") || equalsIgnoringCase(t, "string.uni")) {
        return TypeKind::Text;
    }
    return TypeKind::Other;
}

bool kindMatches(FieldKind want, TypeKind have) {
    switch (want) {
        case FieldKind::Integer: return have == TypeKind::Integer;
        case FieldKind::Time: return have == TypeKind::Time;
        case FieldKind::Text: return have == TypeKind::Text;
    }
    return false;
}

struct Attr {
    std::string_view name;
    std::string_view value;  // raw, references not yet resolved
    bool hasReference = true;  // the value holds an ampersand
    bool ascii = false;        // the value's bytes are all below 0x80
};

// Equal bytes; for the short names of a row, cheaper than a library call.
bool sameBytes(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

struct Tag {
    enum class Kind { Start, End, Eof } kind = Kind::Eof;
    std::string_view name;
    bool selfClosing = false;
    std::vector<Attr> attrs;

    const Attr* find(std::string_view n) const {
        for (const auto& a : attrs) {
            if (a.name == n) return &a;
        }
        return nullptr;
    }
};

constexpr std::size_t kMaxFields = 256;

struct PacketField {
    std::string attrName;  // the ROW attribute's name
    int tableField = -1;
    ShortTextKey key;       // of attrName
};

class PacketReader {
public:
    // Reads a packet held whole in memory.
    PacketReader(std::string_view in, RecordTable& table) : in_(in), eof_(true), table_(table) {}
    // Reads a packet from `source` through a window of about `block` bytes that moves along.
    PacketReader(const ByteSource& source, std::size_t block, const Rewind& rewind,
                 RecordTable& table)
        : source_(&source),
          rewind_(&rewind),
          block_(std::max<std::size_t>(block, 16)),
          table_(table) {}

    bool read();
    const std::string& failure() const { return failure_; }
    // The text was declared UTF-8 and is not, which was found out only after a text that
    // depends on it was read: it is to be read again from the start, as Windows-1252.
    bool readAgain() const { return readAgain_; }
    void takeAsWindows1252() { notUtf8Known_ = true; }

private:
    bool fail(std::string why) {
        if (failure_.empty()) {
            failure_ = std::move(why) + " (at byte " + std::to_string(base_ + pos_) + ")";
            // Stopped at the end of the bytes read so far: more input may complete what is
            // being read.
            short_ = !eof_ && pos_ + 1 >= in_.size();
        }
        return false;
    }
    // A failure of the input itself, which reading on cannot mend.
    bool failInput(std::string why) {
        fail(std::move(why));
        inputFailed_ = true;
        return false;
    }

    // Reads on until at least `ahead` bytes follow pos_ (or the input ends), letting go of the
    // bytes before pos_ first. False (with the failure) on a read error or when the packet
    // grows past the largest one read.
    bool fill(std::size_t ahead);
    // Makes sure the next element is likely to lie whole in the window.
    bool lookAhead() { return eof_ || in_.size() - pos_ >= block_ / 2 || fill(block_ / 2); }
    // Runs `parse` on what starts at pos_; when it stopped only because the window ended, reads
    // on and runs it again from the same byte.
    template <class Parse>
    bool whole(Parse parse);
    // Passes blanks (and comments, unless told not to), reading on and letting them go as it
    // goes.
    bool skipBlanks(bool comments = true);
    bool skipComment();
    // Inside a tag: passes blanks, noting where a run that reaches the window's end began.
    void skipBlanksInTag();
    // Text declared as UTF-8 (or marked by a byte-order mark) is checked as it is read.
    bool startCheckingUtf8(bool declared);
    bool checkUtf8(std::string_view bytes, bool atEnd);
    bool notUtf8();
    // The text's encoding decides what a non-ASCII value holds.
    void encodingUsed(bool nonAscii) { encodingMattered_ |= nonAscii && utf8_; }
    bool header(Tag& tag, bool& packet);
    bool element(Tag& tag, Tag& scratch, bool& done);
    bool writersLayout() const;
    std::size_t fastRows(std::size_t at);

    bool prolog();
    bool next(Tag& tag);
    bool tagAt(Tag& tag);
    bool attributes(Tag& tag, bool inDeclaration);
    bool expectStart(const Tag& tag, std::string_view name);
    bool expectEnd(Tag& tag, std::string_view name);
    bool skipElementEnd(const Tag& tag, Tag& scratch);
    bool decodeText(std::string_view raw, std::string& out);
    bool metadata(Tag& tag);
    bool rows(Tag& tag);
    bool row(const Tag& tag);

    std::string_view in_;  // the window: all the input, or the part of it read and kept
    std::size_t pos_ = 0;  // in the window
    std::size_t base_ = 0;  // where the window starts in the input
    bool eof_ = false;      // the window reaches the input's end
    const ByteSource* source_ = nullptr;
    const Rewind* rewind_ = nullptr;
    std::size_t block_ = 0;
    std::string window_;  // the window's bytes when reading from a source
    bool short_ = false;        // the failure may be mended by reading on
    bool inputFailed_ = false;  // it cannot
    std::size_t tagBlanksFrom_ = std::string_view::npos;
    bool utf8_ = false;
    bool utf8Declared_ = false;     // by the declaration only: it holds if the text is UTF-8
    bool encodingMattered_ = false;  // a non-ASCII text was read as UTF-8
    bool notUtf8Known_ = false;      // reading again: the declaration does not hold
    bool readAgain_ = false;
    Utf8Check utf8Check_;
    bool checkingUtf8_ = false;
    RecordTable& table_;
    std::string failure_;

    RepeatedTexts repeated_;  // DC/AC, Unit and Auto of the writer's rows

    std::vector<PacketField> fields_;
    std::vector<std::uint32_t> changeLog_;
    std::array<std::string, kTextFieldCount> textScratch_;
    RecordValues values_;  // reused from row to row
    // The keys of the previous tag's first attribute names (kNone where a name was longer).
    static constexpr std::size_t kPredicted = 8;
    std::array<ShortTextKey, kPredicted> predicted_{};
    std::string nameScratch_;
};

bool PacketReader::decodeText(std::string_view raw, std::string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < raw.size()) {
        const std::size_t amp = raw.find('&', i);
        const std::string_view plain =
            raw.substr(i, amp == std::string_view::npos ? raw.npos : amp - i);
        if (utf8_) {
            encodingUsed(!isAscii(plain));
            out.append(plain);
        } else {
            appendCp1252AsUtf8(out, plain);
        }
        if (amp == std::string_view::npos) break;
        const std::size_t semi = raw.find(';', amp);
        if (semi == std::string_view::npos || semi - amp > 12) {
            return fail("an ampersand that starts no reference");
        }
        const std::string_view ref = raw.substr(amp + 1, semi - amp - 1);
        i = semi + 1;
        if (ref == "lt") {
            out.push_back('<');
        } else if (ref == "gt") {
            out.push_back('>');
        } else if (ref == "amp") {
            out.push_back('&');
        } else if (ref == "apos") {
            out.push_back('\'');
        } else if (ref == "quot") {
            out.push_back('"');
        } else if (ref.size() >= 2 && ref[0] == '#') {
            const bool hex = ref[1] == 'x' || ref[1] == 'X';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            std::uint32_t cp = 0;
            const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), cp,
                                           hex ? 16 : 10);
            if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() ||
                cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                return fail("a character reference that gives no character");
            }
            appendUtf8(out, cp);
        } else {
            return fail("an unknown reference");
        }
    }
    return true;
}

// Reads the attributes of a start tag (or of the declaration) up to its end.
bool PacketReader::attributes(Tag& tag, bool inDeclaration) {
    tag.attrs.clear();
    tag.selfClosing = false;
    for (;;) {
        const std::size_t before = pos_;
        skipBlanksInTag();
        if (pos_ >= in_.size()) return fail("the input ends inside a tag");
        const char c = in_[pos_];
        if (inDeclaration) {
            if (c == '?' && pos_ + 1 < in_.size() && in_[pos_ + 1] == '>') {
                pos_ += 2;
                return true;
            }
        } else if (c == '>') {
            ++pos_;
            return true;
        } else if (c == '/' && pos_ + 1 < in_.size() && in_[pos_ + 1] == '>') {
            pos_ += 2;
            tag.selfClosing = true;
            return true;
        }
        if (pos_ == before && !tag.attrs.empty()) return fail("attributes without blanks between");
        if (pos_ == before) return fail("no blank before an attribute");
        const std::size_t nameStart = pos_;
        // Tags of a kind come in runs with the same attributes in the same order: when the
        // bytes here are the name the previous tag had in this place, followed by '=', the
        // scan below would stop right after them.
        const std::size_t k = tag.attrs.size();
        bool predicted = false;
        if (k < kPredicted && predicted_[k].isShort() && in_.size() - pos_ > 8) {
            const std::size_t len = predicted_[k].length;
            if (ShortTextKey::ofPadded(in_.data() + pos_, len) == predicted_[k] &&
                in_[pos_ + len] == '=') {
                pos_ += len;
                predicted = true;
            }
        }
        if (!predicted) {
            while (pos_ < in_.size() && !kEndsName[static_cast<unsigned char>(in_[pos_])]) ++pos_;
            if (pos_ < in_.size() && !isSpace(in_[pos_]) && in_[pos_] != '=') {
                return fail("a bad character in an attribute name");
            }
            if (k < kPredicted) {
                const std::string_view name = in_.substr(nameStart, pos_ - nameStart);
                const bool fits = !name.empty() && name.size() <= ShortTextKey::kMaxLength;
                predicted_[k] = fits ? ShortTextKey::ofBefore(name, in_.data() + in_.size())
                                     : ShortTextKey{};
            }
        }
        const std::string_view name = in_.substr(nameStart, pos_ - nameStart);
        if (name.empty()) return fail("an attribute without a name");
        skipBlanksInTag();
        if (pos_ >= in_.size() || in_[pos_] != '=') return fail("an attribute without a value");
        ++pos_;
        skipBlanksInTag();
        if (pos_ >= in_.size() || (in_[pos_] != '"' && in_[pos_] != '\'')) {
            return fail("an attribute value without quotes");
        }
        const char quote = in_[pos_++];
        const std::size_t valueStart = pos_;
        const void* end = std::memchr(in_.data() + pos_, quote, in_.size() - pos_);
        if (end == nullptr) {
            pos_ = in_.size();
            return fail("the input ends inside an attribute value");
        }
        pos_ = static_cast<std::size_t>(static_cast<const char*>(end) - in_.data());
        // Values are short: one pass without branches tells what the value holds.
        bool lessThan = false;
        bool reference = false;
        unsigned char high = 0;
        for (std::size_t i = valueStart; i < pos_; ++i) {
            lessThan |= in_[i] == '<';
            reference |= in_[i] == '&';
            high |= static_cast<unsigned char>(in_[i]);
        }
        if (lessThan) return fail("a '<' inside an attribute value");
        tag.attrs.push_back(
            {name, in_.substr(valueStart, pos_ - valueStart), reference, (high & 0x80) == 0});
        ++pos_;
    }
}

bool PacketReader::prolog() {
    if (in_.substr(0, 3) == "\xEF\xBB\xBF") {
        utf8_ = true;
        pos_ = 3;
        if (!startCheckingUtf8(false)) return false;
    }
    if (!skipBlanks(false)) return false;
    if (in_.size() - pos_ < 6 && !fill(6)) return false;
    if (in_.substr(pos_, 5) == "<?xml" && pos_ + 5 < in_.size() &&
        (isSpace(in_[pos_ + 5]) || in_[pos_ + 5] == '?')) {
        Tag decl;
        if (!whole([&] {
                pos_ += 5;
                return attributes(decl, true);
            })) {
            return false;
        }
        bool saysUtf8 = false;
        for (const auto& a : decl.attrs) {
            saysUtf8 |= a.name == "encoding" && equalsIgnoringCase(a.value, "UTF-8");
        }
        if (saysUtf8 && !utf8_ && !notUtf8Known_) {
            utf8_ = true;
            if (!startCheckingUtf8(true)) return false;
        }
    }
    return true;
}

bool PacketReader::startCheckingUtf8(bool declared) {
    utf8Declared_ = declared;
    if (!source_) {
        // All of the text is at hand.
        if (isValidUtf8(in_.substr(declared ? 0 : 3))) return true;
        return notUtf8();
    }
    // What the window let go of before this were blanks.
    checkingUtf8_ = true;
    return checkUtf8(in_, eof_);
}

bool PacketReader::checkUtf8(std::string_view bytes, bool atEnd) {
    if (utf8Check_.feed(bytes) && (!atEnd || utf8Check_.finish())) return true;
    checkingUtf8_ = false;
    return notUtf8();
}

bool PacketReader::notUtf8() {
    if (!utf8Declared_) return failInput("a UTF-8 byte-order mark over text that is not UTF-8");
    // Declared UTF-8 but not: the text is Windows-1252, also where it was read already.
    if (!encodingMattered_) {
        utf8_ = false;
        return true;
    }
    if (rewind_ && *rewind_) {
        readAgain_ = true;
        return failInput("the text is read again as Windows-1252");
    }
    return failInput("the text declared as UTF-8 is not, and the input cannot be read again");
}

void PacketReader::skipBlanksInTag() {
    const std::size_t from = pos_;
    while (pos_ < in_.size() && isSpace(in_[pos_])) ++pos_;
    if (pos_ == in_.size()) tagBlanksFrom_ = from;
}

template <class Parse>
bool PacketReader::whole(Parse parse) {
    for (;;) {
        const std::size_t start = pos_;
        tagBlanksFrom_ = std::string_view::npos;
        if (parse()) return true;
        if (!short_ || inputFailed_) return false;
        failure_.clear();
        short_ = false;
        // A run of blanks inside the tag counts as one: the rest is not kept.
        if (tagBlanksFrom_ != std::string_view::npos && tagBlanksFrom_ + 1 < in_.size()) {
            in_ = in_.substr(0, tagBlanksFrom_ + 1);
        }
        const std::size_t have = in_.size() - start;
        pos_ = start;
        if (!fill(2 * have + block_)) return false;
    }
}

bool PacketReader::skipBlanks(bool comments) {
    for (;;) {
        const char* p = in_.data() + pos_;
        const char* const end = in_.data() + in_.size();
        const bool run = p < end && isSpace(*p);  // usually the next element follows at once
#if defined(__SSE2__)
        // 128 blanks at a time: they are all blanks when their largest byte is.
        const __m128i blank = _mm_set1_epi8(0x20);
        while (run && end - p >= 128) {
            const auto* v = reinterpret_cast<const __m128i*>(p);
            __m128i largest = _mm_loadu_si128(v);
            for (int k = 1; k < 8; ++k) largest = _mm_max_epu8(largest, _mm_loadu_si128(v + k));
            const __m128i over = _mm_xor_si128(_mm_max_epu8(largest, blank), blank);
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(over, _mm_setzero_si128())) != 0xFFFF) break;
            p += 128;
        }
#endif
        if constexpr (wordscan::kUsable) {
            // Eight blanks (bytes up to 0x20) at a time: a byte above 0x20 gets its high bit
            // when 0x5F is added to its low seven bits, or has it already.
            while (run && end - p >= 8) {
                const std::uint64_t w = wordscan::load8(p);
                if ((((w & 0x7F7F7F7F7F7F7F7FULL) + 0x5F5F5F5F5F5F5F5FULL) | w) &
                    0x8080808080808080ULL) {
                    break;
                }
                p += 8;
            }
        }
        while (p < end && isSpace(*p)) ++p;
        pos_ = static_cast<std::size_t>(p - in_.data());
        if (pos_ < in_.size()) {
            if (!comments || in_[pos_] != '<') return true;
            if (in_.size() - pos_ < 4 && !fill(4)) return false;
            if (in_.substr(pos_, 4) != "<!--") return true;
            if (!skipComment()) return false;
            continue;
        }
        if (eof_) return true;
        if (!fill(block_)) return false;
    }
}

bool PacketReader::skipComment() {
    std::size_t from = pos_ + 4;
    for (;;) {
        const std::size_t end = in_.find("-->", from);
        if (end != std::string_view::npos) {
            pos_ = end + 3;
            return true;
        }
        if (eof_) return fail("an unclosed comment");
        // What the comment held so far is let go, but for two bytes that may begin its end.
        pos_ = std::max(from, in_.size() - 2);
        if (!fill(block_)) return false;
        from = pos_;
    }
}

bool PacketReader::next(Tag& tag) {
    if (!skipBlanks()) return false;
    if (pos_ >= in_.size()) {
        tag.kind = Tag::Kind::Eof;
        tag.name = {};
        return true;
    }
    if (in_[pos_] != '<') return fail("text outside a tag");
    return whole([&] { return tagAt(tag); });
}

bool PacketReader::tagAt(Tag& tag) {
    ++pos_;
    const bool end = pos_ < in_.size() && in_[pos_] == '/';
    if (end) ++pos_;
    const std::size_t nameStart = pos_;
    while (pos_ < in_.size() &&
           (isLetter(in_[pos_]) || isDigit(in_[pos_]) || in_[pos_] == '_' || in_[pos_] == '-' ||
            in_[pos_] == '.' || in_[pos_] == ':')) {
        ++pos_;
    }
    tag.name = in_.substr(nameStart, pos_ - nameStart);
    if (tag.name.empty()) return fail("a tag without a name");
    if (end) {
        skipBlanksInTag();
        if (pos_ >= in_.size() || in_[pos_] != '>') return fail("a bad end tag");
        ++pos_;
        tag.kind = Tag::Kind::End;
        tag.selfClosing = false;
        tag.attrs.clear();
        return true;
    }
    tag.kind = Tag::Kind::Start;
    return attributes(tag, false);
}

bool PacketReader::expectStart(const Tag& tag, std::string_view name) {
    if (tag.kind != Tag::Kind::Start || tag.name != name) {
        return fail("expected the element " + std::string(name));
    }
    return true;
}

bool PacketReader::expectEnd(Tag& tag, std::string_view name) {
    if (!next(tag)) return false;
    if (tag.kind != Tag::Kind::End || tag.name != name) {
        return fail("expected the end of " + std::string(name));
    }
    return true;
}

// An element written with an end tag must be empty: its end tag comes next.
bool PacketReader::skipElementEnd(const Tag& tag, Tag& scratch) {
    if (tag.selfClosing) return true;
    const std::string name(tag.name);
    return expectEnd(scratch, name);
}

bool PacketReader::metadata(Tag& tag) {
    if (!expectStart(tag, "METADATA")) return false;
    if (tag.selfClosing) return fail("the packet carries no fields");
    if (!next(tag) || !expectStart(tag, "FIELDS")) return false;
    std::vector<std::pair<std::string, TypeKind>> named;  // field name, kind
    if (!tag.selfClosing) {
        Tag scratch;
        for (;;) {
            if (!next(tag)) return false;
            if (tag.kind == Tag::Kind::End && tag.name == "FIELDS") break;
            if (!expectStart(tag, "FIELD")) return false;
            const Attr* attrName = tag.find("attrname");
            const Attr* fieldName = tag.find("fieldname");
            const Attr* type = tag.find("fieldtype");
            if (!attrName || !type) return fail("a FIELD without attrname or fieldtype");
            // Rows look their attributes up among the fields; keep that search short.
            if (fields_.size() >= kMaxFields) return fail("too many fields");
            PacketField pf;
            if (!decodeText(attrName->value, pf.attrName)) return false;
            std::string name = pf.attrName;
            if (fieldName && !decodeText(fieldName->value, name)) return false;
            if (!decodeText(type->value, nameScratch_)) return false;
            named.emplace_back(std::move(name), kindOfType(nameScratch_));
            pf.key = ShortTextKey::of(pf.attrName);
            fields_.push_back(std::move(pf));
            if (!skipElementEnd(tag, scratch)) return false;
        }
    }
    if (!next(tag)) return false;
    if (tag.kind == Tag::Kind::Start && tag.name == "PARAMS") {
        if (const Attr* log = tag.find("CHANGE_LOG")) {
            std::string_view v = log->value;
            std::size_t i = 0;
            while (i < v.size()) {
                while (i < v.size() && isSpace(v[i])) ++i;
                if (i >= v.size()) break;
                const DigitRun n = readDigits(v.substr(i));
                i += n.length;
                if (n.length == 0 || n.value > UINT32_MAX || (i < v.size() && !isSpace(v[i]))) {
                    return fail("CHANGE_LOG is not a list of numbers");
                }
                changeLog_.push_back(static_cast<std::uint32_t>(n.value));
            }
        }
        Tag scratch;
        if (!skipElementEnd(tag, scratch)) return false;
        if (!next(tag)) return false;
    }
    if (tag.kind != Tag::Kind::End || tag.name != "METADATA")
        return fail("expected the end of METADATA");

    // The table's fields must all be there, with a matching kind.
    for (int f = 0; f < kFieldCount; ++f) {
        bool found = false;
        for (std::size_t j = 0; j < named.size(); ++j) {
            if (!equalsIgnoringCase(named[j].first, kFields[f].name)) continue;
            if (!kindMatches(kFields[f].kind, named[j].second)) {
                return fail("the field " + std::string(kFields[f].name) + " has another type");
            }
            fields_[j].tableField = f;
            found = true;
            break;
        }
        if (!found) return fail("the packet has no field " + std::string(kFields[f].name));
    }
    return true;
}

// An integer value, read from its first digit with the minus sign just before it; a letter
// before any digit, or no digit at all, gives no value. A number beyond 32 bits is `bad`.
std::optional<std::int32_t> readInteger(std::string_view v, bool& bad) {
    std::size_t d = 0;
    while (d < v.size() && !isDigit(v[d])) {
        if (isLetter(v[d])) return std::nullopt;
        ++d;
    }
    if (d == v.size()) return std::nullopt;
    const bool negative = d > 0 && v[d - 1] == '-';
    const std::optional<std::int32_t> n = signedInt32(negative, readDigits(v.substr(d)));
    bad = !n;
    return n;
}

// A time value; an empty one gives no value, one that is no time of day is `bad`.
std::optional<std::int32_t> readTime(std::string_view v, bool& bad) {
    if (v.empty()) return std::nullopt;
    const std::int32_t ms = readClockTime(v);
    bad = ms < 0;
    if (bad) return std::nullopt;
    return ms;
}

bool PacketReader::row(const Tag& tag) {
    RecordValues& values = values_;
    values.no.reset();
    values.timeMs.reset();
    for (auto& t : values.text) t.reset();
    std::uint8_t rowState = 0;
    unsigned seen = 0;
    std::size_t hint = 0;
    for (const Attr& a : tag.attrs) {
        // Bits 0 to 5 of `seen` stand for the table's fields and bit 7 for RowState: a row may
        // give each of them once.
        if (a.name == "RowState") {
            if (seen & 0x80u) return fail("RowState given twice");
            seen |= 0x80u;
            const DigitRun n = readDigits(a.value);
            if (n.length == 0 || n.length != a.value.size() || n.value > 255) {
                return fail("a bad RowState");
            }
            rowState = static_cast<std::uint8_t>(n.value);
            continue;
        }
        std::size_t j = hint;
        std::size_t tried = 0;
        // Rows name the fields in the packet's order, so the field after the one found last is
        // nearly always the one; a short name is compared in one step.
        const bool inOrder =
            j < fields_.size() && a.name.size() <= ShortTextKey::kMaxLength &&
            fields_[j].key == ShortTextKey::ofBefore(a.name, in_.data() + in_.size());
        if (!inOrder) {
            for (; tried < fields_.size(); ++tried, j = (j + 1) % fields_.size()) {
                if (sameBytes(fields_[j].attrName, a.name) ||
                    equalsIgnoringCase(fields_[j].attrName, a.name)) {
                    break;
                }
            }
            if (tried == fields_.size()) continue;  // names no field: ignored
        }
        hint = (j + 1) % fields_.size();
        const int f = fields_[j].tableField;
        if (f < 0) continue;  // a field the table does not have
        if (seen & (1u << f)) return fail("a value given twice in one row");
        seen |= 1u << f;
        bool bad = false;
        switch (kFields[f].kind) {
            case FieldKind::Integer:
                values.no = readInteger(a.value, bad);
                if (bad) return fail("a number out of range");
                break;
            case FieldKind::Time:
                values.timeMs = readTime(a.value, bad);
                if (bad) return fail("a bad time");
                break;
            case FieldKind::Text: {
                std::string& s = textScratch_[f - kFieldDcAc];
                if (!a.hasReference && (utf8_ || a.ascii)) {
                    encodingUsed(!a.ascii);
                    values.text[f - kFieldDcAc] = a.value;  // nothing to undo
                } else {
                    if (!decodeText(a.value, s)) return false;
                    values.text[f - kFieldDcAc] = s;
                }
                break;
            }
        }
    }
    table_.appendWithState(values, rowState);
    return true;
}

bool PacketReader::fill(std::size_t ahead) {
    if (eof_ || in_.size() - pos_ >= ahead) return true;
    if (pos_ > 0) {
        const std::size_t keep = in_.size() - pos_;
        std::memmove(window_.data(), window_.data() + pos_, keep);
        base_ += pos_;
        pos_ = 0;
        in_ = std::string_view(window_.data(), keep);
    }
    std::size_t have = in_.size();
    while (!eof_ && have - pos_ < ahead) {
        if (base_ + have > kMaxPacketBytes) return failInput(std::strerror(EFBIG));
        if (window_.size() < have + block_) {
            window_.resize(std::max(have + block_, window_.size() * 2));
        }
        const std::ptrdiff_t n = (*source_)(window_.data() + have, window_.size() - have);
        if (n < 0) return failInput(std::strerror(errno));
        eof_ = n == 0;
        const std::string_view added(window_.data() + have, static_cast<std::size_t>(n));
        have += added.size();
        in_ = std::string_view(window_.data(), have);
        if (checkingUtf8_ && !checkUtf8(added, eof_)) return false;
    }
    return true;
}

// Everything before the first row: the prolog, METADATA, and the ROWDATA start tag in `tag`.
bool PacketReader::header(Tag& tag, bool& packet) {
    if (!prolog()) return false;
    if (!next(tag)) return false;
    packet = tag.kind == Tag::Kind::Start && tag.name == "DATAPACKET";
    if (packet) {
        if (tag.selfClosing) return fail("the packet carries no fields");
        if (!next(tag)) return false;
    }
    if (tag.kind != Tag::Kind::Start || tag.name != "METADATA") {
        return fail("the packet carries no fields");
    }
    return metadata(tag) && next(tag);
}

// One element inside ROWDATA: a ROW (added to the table) or the end of ROWDATA (`done`).
bool PacketReader::element(Tag& tag, Tag& scratch, bool& done) {
    if (!next(tag)) return false;
    if (tag.kind == Tag::Kind::End && tag.name == "ROWDATA") {
        done = true;
        return true;
    }
    if (tag.kind != Tag::Kind::Start || tag.name.substr(0, 3) != "ROW") {
        return fail("expected a ROW element");
    }
    return row(tag) && skipElementEnd(tag, scratch);
}

// The six fields under their own names in table order, as the writer puts them.
bool PacketReader::writersLayout() const {
    if (fields_.size() != kFieldCount) return false;
    for (int f = 0; f < kFieldCount; ++f) {
        if (fields_[f].tableField != f || fields_[f].attrName != kFields[f].name) return false;
    }
    return true;
}

namespace {

// Marks the bytes that end a plain attribute value or make it other than plain: the quote,
// '&', '<', controls and bytes from 0x80 up. Only the lowest mark is used, and it is exact (a
// borrow in the test for controls can mark a byte above it).
std::uint64_t valueStops(std::uint64_t w) {
    using wordscan::markBytesEqual;
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    return markBytesEqual(w, '"') | markBytesEqual(w, '&') | markBytesEqual(w, '<') |
           ((w - kOnes * 0x20) & ~w & kHighs) | (w & kHighs);
}

}  // namespace

// Rows in the writer's own form read with fixed steps: the attributes in table order, each
// present once, plain ASCII values, numbers of digits, the five-digit time. Stops, having
// changed nothing for it, at the first row that differs in any way or does not lie whole in
// the window; that row is read by the general path. Returns where it stopped.
std::size_t PacketReader::fastRows(std::size_t at) {
    if constexpr (!wordscan::kUsable) return at;
    // A row of this form takes less than this; closer to the window's end the general path
    // reads the row, so no step below needs to check where the window ends.
    constexpr std::ptrdiff_t kRoom = 256;
    const char* const end = in_.data() + in_.size();
    const char* p = in_.data() + at;
    // The length of the plain value at `q` up to its closing quote; false otherwise.
    auto value = [](const char* q, std::size_t& length) {
        for (std::size_t n = 0; n <= 32; n += 8) {
            if (const std::uint64_t m = valueStops(wordscan::load8(q + n)); m != 0) {
                length = n + wordscan::firstMarkedByte(m);
                return q[length] == '"';
            }
        }
        return false;
    };
    // One to nine digits and nothing else, a number that always fits; false otherwise.
    auto number = [](const char* q, std::size_t length, std::int32_t& out) {
        if (length == 0 || length > 9) return false;
        const DigitRun digits = readDigits(std::string_view(q, length));
        out = static_cast<std::int32_t>(digits.value);
        return digits.length == length;
    };
    RecordTable::PreparedRecord r;
    // ` NAME="value"` of a text field at q: the value goes to the record; false otherwise.
    auto text = [&]<std::size_t N>(const char*& q, int f, const char (&name)[N])
                    __attribute__((always_inline)) {
        constexpr std::size_t kName = N - 1;
        std::size_t n = 0;
        if (std::memcmp(q, name, kName) != 0 || !value(q + kName, n)) return false;
        q += kName;
        if (f == kFieldValue) {
            r.value = std::string_view(q, n);
        } else {
            const int k = f == kFieldDcAc ? 0 : f - kFieldUnit + 1;
            r.pooled[k] = repeated_.number(table_, k, q, n);
        }
        q += n + 1;
        return true;
    };
    while (end - p >= kRoom) {
        const char* q = p;
        std::size_t n = 0;
        std::int32_t rowState = 0;
        if (std::memcmp(q, "<ROW ", 5) != 0) break;
        q += 5;
        if (std::memcmp(q, "RowState=\"", 10) == 0) {
            q += 10;
            if (!value(q, n) || !number(q, n, rowState) || rowState > 255 || q[n + 1] != ' ') break;
            q += n + 2;
        }
        if (std::memcmp(q, "No=\"", 4) != 0) break;
        q += 4;
        if (!value(q, n) || !number(q, n, r.no)) break;
        q += n + 1;
        // Time="hh:mm:sssss", the colons in their places
        if (std::memcmp(q, " Time=\"", 7) != 0 || q[9] != ':' || q[12] != ':' || q[18] != '"') {
            break;
        }
        q += 7;
        r.timeMs = readClockTime(std::string_view(q, 11));
        if (r.timeMs < 0) break;
        q += 12;
        if (!text(q, kFieldDcAc, " DC/AC=\"") || !text(q, kFieldValue, " Value=\"") ||
            !text(q, kFieldUnit, " Unit=\"") || !text(q, kFieldAuto, " Auto=\"") || q[0] != '/' ||
            q[1] != '>') {
            break;
        }
        r.present = (1u << kFieldCount) - 1;
        table_.appendPrepared(r, static_cast<std::uint8_t>(rowState));
        p = q + 2;
    }
    return static_cast<std::size_t>(p - in_.data());
}

bool PacketReader::rows(Tag& tag) {
    if (!expectStart(tag, "ROWDATA")) return false;
    if (tag.selfClosing) return true;
    Tag scratch;
    // Rows of a packet laid out as the writer lays it out nearly always have the writer's form,
    // which fixed steps read without looking each attribute's field up.
    const bool fast = writersLayout();
    for (;;) {
        if (!lookAhead()) return false;
        if (fast) {
            pos_ = fastRows(pos_);
            if (!lookAhead()) return false;
        }
        bool done = false;
        if (!element(tag, scratch, done)) return false;
        if (done) return true;
    }
}

bool PacketReader::read() {
    Tag tag;
    bool packet = false;
    if (!fill(block_)) return false;
    if (!header(tag, packet) || !rows(tag)) return false;
    // Whatever follows the rows passes through the window: end tags, comments and blanks.
    if (packet && !expectEnd(tag, "DATAPACKET")) return false;
    if (!next(tag)) return false;
    if (tag.kind != Tag::Kind::Eof) return fail("more after the packet");
    table_.setChangeLogging(true);
    table_.setLoadedChangeLog(std::move(changeLog_));
    return true;
}

}  // namespace

bool readDataPacket(std::string_view bytes, RecordTable& table, std::string* failure) {
    PacketReader reader(bytes, table);
    const bool ok = reader.read();
    if (!ok && failure) *failure = reader.failure();
    return ok;
}

bool readDataPacket(const ByteSource& source, RecordTable& table, std::string* failure,
                    std::size_t block, const Rewind& rewind) {
    const std::size_t before = table.size();
    PacketReader reader(source, block, rewind, table);
    if (reader.read()) return true;
    if (!reader.readAgain()) {
        if (failure) *failure = reader.failure();
        return false;
    }
    table.truncate(before);
    if (!rewind()) {
        if (failure) *failure = std::strerror(errno);
        return false;
    }
    PacketReader again(source, block, rewind, table);
    again.takeAsWindows1252();
    const bool ok = again.read();
    if (!ok && failure) *failure = again.failure();
    return ok;
}

}  // namespace dmm
