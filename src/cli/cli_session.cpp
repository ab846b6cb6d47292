#include "cli_session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTimer>

#include <algorithm>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "stop_signals.h"
#include "text_codec.h"

namespace dmm {

namespace {

void appendField(std::string& line, std::string_view field) {
    line.append(field);
    line.push_back('\t');
}

}  // namespace

LogLoop::LogLoop(double seconds, std::function<void()> check)
    : seconds_(seconds), check_(std::move(check)) {}

int LogLoop::run() {
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [this] {
        if (check_) check_();
        if (std::ferror(stdout)) {
            outputFailed_ = true;
            QCoreApplication::exit(1);
        }
    });
    watch.start(200);
    // A timer waits at most 24 days: a longer duration is waited for a day at a time.
    QElapsedTimer clock;
    clock.start();
    QTimer duration;
    duration.setSingleShot(true);
    const auto waitForTheEnd = [this, &clock, &duration] {
        const double left = seconds_ * 1000.0 - static_cast<double>(clock.elapsed());
        if (left <= 0) {
            QCoreApplication::quit();
        } else {
            duration.start(static_cast<int>(std::min(std::ceil(left), 86400000.0)));
        }
    };
    QObject::connect(&duration, &QTimer::timeout, waitForTheEnd);
    if (seconds_ > 0) waitForTheEnd();
    return stopSignalReceived() ? 0 : QCoreApplication::exec();
}

std::string systemDecimalSeparator() { return QLocale::system().decimalPoint().toStdString(); }

void configureCore(MeterCore& core, const CommonOptions& o) {
    core.state.applyCountClass(*o.countClass);
    core.state.localeDecimal = o.decimal.empty() ? systemDecimalSeparator() : o.decimal;
    if (o.upper) {
        core.state.upperLimit = static_cast<float>(*o.upper);
        core.settings.upperLimitOn = true;
    }
    if (o.lower) {
        core.state.lowerLimit = static_cast<float>(*o.lower);
        core.settings.lowerLimitOn = true;
    }
}

FramePrinter::FramePrinter(const MeterCore& core, std::FILE* out, bool flushEachLine)
    : core_(core), out_(out), flush_(flushEachLine) {}

void FramePrinter::printHeader() {
    if (json_) return;
    std::fputs("frame\tvalue_text\tcoupling\tunit\trange\tvalue\tdecimal_pos\trange_change\t"
               "max_text\tmin_text\talarm\tneedle\tbar\tchart\trecord_no\tshown\n",
               out_);
    if (flush_) std::fflush(out_);
}

void FramePrinter::record() { recordNo_ = recordHook ? recordHook() : std::nullopt; }

void FramePrinter::frameDone() {
    if (json_) {
        std::fwrite(json_->data(), 1, json_->size(), out_);
        std::fputc('\n', out_);
        if (flush_) std::fflush(out_);
        rangeChange_ = false;
        recordNo_.reset();
        ++lines_;
        return;
    }
    const MeterReading& r = core_.reading();
    const FrameOutcome& o = core_.lastOutcome();
    std::string& l = line_;
    l.clear();
    appendField(l, core_.frameText());
    appendField(l, r.valueText);
    appendField(l, r.couplingText);
    appendField(l, r.unitText);
    appendField(l, r.rangeText);
    appendField(l, std::to_string(static_cast<long long>(std::lround(r.value))));
    appendField(l, o.decimalPos == kNoDecimalPoint ? std::string("none")
                                                        : std::to_string(o.decimalPos));
    appendField(l, rangeChange_ ? "1" : "0");
    appendField(l, core_.state.maxReadingText);
    appendField(l, core_.state.minReadingText);
    appendField(l, o.alarm ? "1" : "0");
    appendField(l, std::to_string(o.needle));
    appendField(l, std::to_string(o.bar));
    appendField(l, std::to_string(static_cast<long long>(std::llround(o.chart))));
    appendField(l, recordNo_ ? std::to_string(*recordNo_) : std::string());
    l.append(core_.panel().shownNames());
    l.push_back('\n');
    std::fwrite(l.data(), 1, l.size(), out_);
    if (flush_) std::fflush(out_);
    rangeChange_ = false;
    recordNo_.reset();
    ++lines_;
}

std::string summaryLine(const FrameCounters& c) {
    return "decoded " + std::to_string(c.decoded) + " frames, dropped " +
           std::to_string(c.dropped()) + " (" + std::to_string(c.failedTest) +
           " failed framing, " + std::to_string(c.undecodable) + " undecodable)";
}

void say(const char* command, std::string_view text) {
    std::fprintf(stderr, "dmmcli %s: %s\n", command, printable(text).c_str());
}

std::string outputFailure(std::FILE* out) {
    errno = 0;
    if (std::fflush(out) == 0 && !std::ferror(out)) return {};
    const int e = errno;
    return e != 0 ? std::string("cannot write the output: ") + std::strerror(e)
                  : std::string("cannot write the output");
}

}  // namespace dmm
