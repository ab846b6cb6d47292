#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "meter_reading.h"
#include "reading_state.h"

namespace dmm {

// A unit text of the meter's LCD glyphs ("mV", "k*", "#", "*&", "V)") read as a unit a person or
// a program reads: the unit shown ("mV", "kΩ", "°C"), the SI base unit it is a multiple of
// ("V", "Ω", "°C") and the power of ten between them (-3 for mV). The diode and continuity
// glyphs add nothing to the unit; a text that is no known unit stands for itself, with power 0.
struct ReadableUnit {
    std::string shown;     // UTF-8
    std::string base;      // UTF-8
    int powerOfTen = 0;    // a value in `shown` times 10^powerOfTen is the value in `base`
};
ReadableUnit readableUnit(std::string_view unitText);

// The number a value text shows ("-03.210", "3,1854" with the separator given), as a JSON number
// text times 10^powerOfTen, exactly (no binary rounding): "-3.210" and "0.0031854". None when the
// text shows no number (an overload "0L", blanks).
std::optional<std::string> decimalNumber(std::string_view valueText, std::string_view separator,
                                         int powerOfTen = 0);

// One decoded reading as a message to other programs.
struct ReadingMessage {
    std::int64_t utcMs = 0;  // when the frame was decoded, ms since 1970-01-01 UTC
    std::uint64_t seq = 0;   // counts from 1 in each run
    Family family = Family::Kelt;
    std::string_view frame;  // the frame text the decoder read
    const MeterReading* reading = nullptr;
    std::string_view decimalSeparator = ".";  // the one in the reading's value text
};

// The message as one line of JSON (no line break), with the fields time (UTC, ISO 8601 with
// milliseconds), seq, family, frame, text, value (null without a number), unit, coupling, range,
// overload, base_value and base_unit.
std::string readingJson(const ReadingMessage& message);

// "2026-12-10T05:02:57.123Z".
std::string utcTimeText(std::int64_t utcMs);
// The time of such a text (with milliseconds or without), ms since 1970 UTC; none when it is not
// one.
std::optional<std::int64_t> utcTimeFromText(std::string_view text);

// What a receiver takes from a reading message of another program: enough to decode the frame
// as a local one would be, and to put it in order.
struct ReceivedReading {
    std::int64_t utcMs = 0;
    std::uint64_t seq = 0;
    Family family = Family::Kelt;
    std::string frame;
};
// The longest frame text a message may carry; the frames of every family are far shorter.
constexpr std::size_t kMaxMessageFrame = 64;
// Reads a message; none, with `error` saying why, when it is no JSON object with a time, a seq
// from 1, a known family and a frame of hexadecimal digits.
std::optional<ReceivedReading> readReadingMessage(std::string_view json, std::string* error);

// The order of the readings of one publisher as a receiver takes them: a reading whose seq
// repeats or goes back is dropped (a message the broker brought twice, or late), a gap is
// counted as readings lost. A publisher that starts again counts from 1 anew.
class ReadingSequence {
public:
    // Whether to take the reading.
    bool take(std::uint64_t seq, std::int64_t utcMs);
    // The publisher has (re)started: its next reading begins a new count.
    void restart() { last_ = 0; }

    std::uint64_t taken() const { return taken_; }
    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t lost() const { return lost_; }

private:
    std::uint64_t last_ = 0;      // the seq last taken; 0: none yet in this count
    std::int64_t firstTime_ = 0;  // the time of seq 1 of this count
    std::uint64_t taken_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t lost_ = 0;
};

}  // namespace dmm
