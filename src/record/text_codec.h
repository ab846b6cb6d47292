#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dmm {

// Texts in memory are UTF-8; data files carry Windows-1252 so that they interchange with the
// program's Windows installations. Every Windows-1252 byte maps to one code point and back
// (the five unassigned bytes map to the C1 controls of the same value).

// Windows-1252 bytes to UTF-8.
std::string cp1252ToUtf8(std::string_view bytes);
void appendCp1252AsUtf8(std::string& out, std::string_view bytes);

// UTF-8 to Windows-1252. A code point the code page lacks becomes '?', or, where the text is
// read by an XML reader, its decimal character reference ("&#937;"); a byte that is not part of
// a valid UTF-8 sequence becomes '?'.
enum class Unmapped { QuestionMark, Reference };
std::string utf8ToCp1252(std::string_view utf8);
void appendUtf8AsCp1252(std::string& out, std::string_view utf8,
                        Unmapped unmapped = Unmapped::QuestionMark);

// Appends the UTF-8 form of a code point (callers pass valid scalar values).
void appendUtf8(std::string& out, char32_t codePoint);

bool isValidUtf8(std::string_view bytes);

// isValidUtf8 over bytes that come piece by piece: a sequence may be cut between two pieces.
class Utf8Check {
public:
    // False once the bytes given so far are not the start of a valid UTF-8 text.
    bool feed(std::string_view bytes);
    // Whether all the bytes given are valid UTF-8 (none of a sequence missing at the end).
    bool finish() const { return valid_ && heldCount_ == 0; }

private:
    bool fail() { return valid_ = false; }

    unsigned char held_[4] = {};  // the start of a sequence cut at the end of a piece
    std::size_t heldCount_ = 0;
    bool valid_ = true;
};
bool isAscii(std::string_view bytes);

// Equal texts when ASCII letters are compared without regard to case (field and type names,
// file name extensions).
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Text from a file or the command line made safe to show, on a terminal or in a window: control
// characters, and bytes that are not valid UTF-8 or are C1 controls, appear escaped as \xNN.
std::string printable(std::string_view bytes);

// The first `count` characters of a UTF-8 text (a byte outside a valid sequence counts as one
// character, so the cut never splits a sequence and never reads past the end).
std::string_view firstChars(std::string_view utf8, std::size_t count);

}  // namespace dmm
