#include "cli_session.h"

#include <QCoreApplication>
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

bool takeValue(QStringList& args, int i, QString& value, QString& error) {
    if (i + 1 >= args.size()) {
        error = QStringLiteral("option %1 needs a value").arg(args[i]);
        return false;
    }
    value = args[i + 1];
    args.removeAt(i + 1);
    args.removeAt(i);
    return true;
}

bool toInt(const QString& text, const QString& option, int& out, QString& error) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok) {
        error = QStringLiteral("option %1: '%2' is not an integer").arg(option, text);
        return false;
    }
    out = v;
    return true;
}

void appendField(std::string& line, std::string_view field) {
    line.append(field);
    line.push_back('\t');
}

}  // namespace

QString takeCommonOptions(QStringList& args, CommonOptions& o) {
    QString error;
    for (int i = 0; i < args.size();) {
        const QString opt = args[i];
        QString v;
        int n = 0;
        if (opt == QLatin1String("--family")) {
            if (!takeValue(args, i, v, error)) return error;
            const auto f = parseFamily(v.toStdString());
            if (!f) return QStringLiteral("unknown family '%1' (kelt, sorn or brio)").arg(v);
            o.family = *f;
        } else if (opt == QLatin1String("--road")) {
            if (!takeValue(args, i, v, error)) return error;
            if (v != QLatin1String("serial") && v != QLatin1String("usb")) {
                return QStringLiteral("unknown road '%1' (serial or usb)").arg(v);
            }
            o.usbRoad = v == QLatin1String("usb");
        } else if (opt == QLatin1String("--decimal")) {
            if (!takeValue(args, i, v, error)) return error;
            o.decimal = v.toStdString();
        } else if (opt == QLatin1String("--count-class")) {
            if (!takeValue(args, i, v, error)) return error;
            o.countClass = findCountClass(v.toStdString());
            if (!o.countClass)
                return QStringLiteral("unknown count class '%1' (4, 6, 34 or 2)").arg(v);
        } else if (opt == QLatin1String("--upper") || opt == QLatin1String("--lower")) {
            if (!takeValue(args, i, v, error) || !toInt(v, opt, n, error)) return error;
            (opt == QLatin1String("--upper") ? o.upper : o.lower) = n;
        } else if (opt == QLatin1String("--no-repeat")) {
            o.noRepeat = true;
            args.removeAt(i);
        } else if (opt == QLatin1String("--limit")) {
            if (!takeValue(args, i, v, error) || !toInt(v, opt, n, error)) return error;
            if (n < 0) return QStringLiteral("option --limit: must not be negative");
            o.limit = n;
        } else if (opt == QLatin1String("--interval")) {
            if (!takeValue(args, i, v, error) || !toInt(v, opt, n, error)) return error;
            if (n < 0) return QStringLiteral("option --interval: must not be negative");
            o.intervalSeconds = n;
        } else {
            ++i;
        }
    }
    return {};
}

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
    QTimer duration;
    duration.setSingleShot(true);
    QObject::connect(&duration, &QTimer::timeout, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    if (seconds_ > 0) duration.start(static_cast<int>(std::min(seconds_ * 1000.0, 2147483647.0)));
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

std::string printable(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    auto escape = [&out](unsigned char b) {
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\x";
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            if (b < 0x20 || b == 0x7F) {
                escape(b);
            } else {
                out.push_back(static_cast<char>(b));
            }
            ++i;
            continue;
        }
        const std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        const std::string_view seq = bytes.substr(i, n);
        const bool c1 = b == 0xC2 && seq.size() > 1 && static_cast<unsigned char>(seq[1]) < 0xA0;
        if (seq.size() == n && isValidUtf8(seq) && !c1) {
            out.append(seq);
            i += n;
        } else {
            escape(b);
            ++i;
        }
    }
    return out;
}

std::string outputFailure(std::FILE* out) {
    errno = 0;
    if (std::fflush(out) == 0 && !std::ferror(out)) return {};
    const int e = errno;
    return e != 0 ? std::string("cannot write the output: ") + std::strerror(e)
                  : std::string("cannot write the output");
}

}  // namespace dmm
