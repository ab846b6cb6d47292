#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "meter_core.h"
#include "text_codec.h"

namespace dmm {

// Options shared by the commands that decode: which meter, how to show numbers, the limits and
// the recorder's rules.
struct CommonOptions {
    Family family = Family::Kelt;
    bool usbRoad = false;
    std::string decimal;  // empty: the system locale's decimal separator
    const CountClass* countClass = &standardCountClass();
    std::optional<int> upper;
    std::optional<int> lower;
    bool noRepeat = false;
    int limit = 10000;
    std::optional<int> intervalSeconds;
};

// The system locale's decimal separator, as UTF-8.
std::string systemDecimalSeparator();

// Applies the options to a core: decimal separator, count class, limits.
void configureCore(MeterCore& core, const CommonOptions& options);

// Prints one TAB-separated line per decoded frame, under a header line:
// frame value_text coupling unit range value decimal_pos range_change max_text min_text alarm
// needle bar chart record_no shown
class FramePrinter : public PipelineSink {
public:
    FramePrinter(const MeterCore& core, std::FILE* out, bool flushEachLine = false);

    void printHeader();
    // Prints `*message` (the session's reading message) for each frame instead of the columns,
    // and no header.
    void printJsonLines(const std::string* message) { json_ = message; }
    // Offered each reading at the record step; returns the No of the record it appended, if any.
    std::function<std::optional<long long>()> recordHook;

    void rangeChanged() override { rangeChange_ = true; }
    void record() override;
    void frameDone() override;

    unsigned long long linesPrinted() const { return lines_; }

private:
    const MeterCore& core_;
    std::FILE* out_;
    bool flush_;
    const std::string* json_ = nullptr;
    bool rangeChange_ = false;
    std::optional<long long> recordNo_;
    std::string line_;
    unsigned long long lines_ = 0;
};

// One line for standard error: how many frames were decoded and dropped, and why.
std::string summaryLine(const FrameCounters& counters);

inline std::string printable(const QString& text) { return printable(text.toStdString()); }

// Writes "dmmcli COMMAND: TEXT" as one line on standard error, the text made printable(): every
// message of a command goes this way, so no file's bytes and no typed name reach the terminal
// raw.
void say(const char* command, std::string_view text);
inline void say(const char* command, const char* text) { say(command, std::string_view(text)); }
inline void say(const char* command, const std::string& text) {
    say(command, std::string_view(text));
}
inline void say(const char* command, const QString& text) { say(command, text.toStdString()); }

// The event loop of a log taken from a meter: it ends at a stop signal, after `seconds` (none
// when 0), or with status 1 once standard output cannot be written any more (the reader of a
// pipe has ended). `check` runs every 200 ms for the command's own reasons to end the loop.
class LogLoop {
public:
    explicit LogLoop(double seconds, std::function<void()> check = {});
    // Runs the loop; its exit status (0 at once when a stop signal came already).
    int run();
    bool outputFailed() const { return outputFailed_; }

private:
    double seconds_;
    std::function<void()> check_;
    bool outputFailed_ = false;
};

// Flushes `out`; empty when everything written to it arrived, else why not ("cannot write the
// output: No space left on device").
std::string outputFailure(std::FILE* out);

}  // namespace dmm
