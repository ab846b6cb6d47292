// dmmcli decode: runs a capture through the same assembler, decoders and pipeline as the window.

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "cable_reports.h"
#include "cli_recording.h"
#include "cli_session.h"
#include "commands.h"

namespace dmm {

namespace {

// The longest report line taken: a report of 65536 bytes written out fits.
constexpr std::size_t kMaxReportLine = std::size_t{1} << 20;

// The report lines of the usb road, cut from blocks of any size. An over-long line is skipped
// with one message.
class ReportLines {
public:
    ReportLines(MeterCore& core, Family family) : core_(core), family_(family) {}

    void feed(std::string_view bytes) {
        while (!bytes.empty()) {
            const std::size_t nl = bytes.find('\n');
            const std::string_view piece = bytes.substr(0, nl);
            if (!tooLong_) {
                if (line_.size() + piece.size() > kMaxReportLine) {
                    tooLong_ = true;
                    line_.clear();
                    skip(lineNo_ + 1, "longer than 1 MiB");
                } else {
                    line_.append(piece);
                }
            }
            if (nl == std::string_view::npos) return;
            endLine();
            bytes.remove_prefix(nl + 1);
        }
    }
    void finish() {
        if (!line_.empty() || tooLong_) endLine();
    }
    unsigned long long skipped() const { return skipped_; }

private:
    void skip(unsigned long long lineNo, const std::string& why) {
        ++skipped_;
        std::fprintf(stderr, "dmmcli decode: line %llu skipped: %s\n", lineNo, why.c_str());
    }
    void endLine() {
        ++lineNo_;
        const bool tooLong = tooLong_;
        tooLong_ = false;
        const QByteArray line =
            QByteArray::fromRawData(line_.data(), static_cast<qsizetype>(line_.size())).trimmed();
        if (!tooLong && !line.isEmpty() && !line.startsWith('#')) report(line);
        line_.clear();
    }
    void report(const QByteArray& line) {
        const CableReportLineRead read = readCableReportLine(
            std::string_view(line.constData(), static_cast<std::size_t>(line.size())), bytes_);
        switch (read.fault) {
        case CableReportLineRead::Fault::None: break;
        case CableReportLineRead::Fault::NotAByte:
            skip(lineNo_,
                 "'" + printable(std::string(read.badWord)) + "' is not a hexadecimal byte");
            return;
        case CableReportLineRead::Fault::NoReportId: skip(lineNo_, "no report ID"); return;
        case CableReportLineRead::Fault::TooLong: skip(lineNo_, "report too long"); return;
        }
        const auto size = static_cast<std::uint16_t>(bytes_.size() - 1);
        core_.receiveReport(family_, bytes_[0], bytes_.data() + 1, size);
    }

    MeterCore& core_;
    Family family_;
    std::string line_;
    bool tooLong_ = false;
    unsigned long long lineNo_ = 0;
    unsigned long long skipped_ = 0;
    CableReport bytes_;
};

}  // namespace

int runDecode(const QStringList& arguments) {
    QStringList args = arguments;
    CommonOptions options;
    const QString error = takeCommonOptions(args, options);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "dmmcli decode: %s\n", qPrintable(error));
        return 2;
    }
    if (options.usbRoad && options.family == Family::Brio) {
        std::fputs("dmmcli decode: the Brio family has no USB road\n", stderr);
        return 2;
    }
    QString path = QStringLiteral("-");
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--"))) {
            std::fprintf(stderr, "dmmcli decode: unknown option '%s'\n", printable(a).c_str());
            return 2;
        }
    }
    if (args.size() > 1) {
        std::fprintf(stderr, "dmmcli decode: one input file at most, got '%s' and '%s'\n",
                     printable(args[0]).c_str(), printable(args[1]).c_str());
        return 2;
    }
    if (!args.isEmpty()) path = args.front();

    // Every input is read as a stream, whatever it is: a file, a pipe, a FIFO, a terminal.
    const bool standardInput = path == QLatin1String("-");
    const int fd = standardInput
                       ? STDIN_FILENO
                       : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "dmmcli decode: cannot open '%s': %s\n", printable(path).c_str(),
                     std::strerror(errno));
        return 1;
    }

    MeterCore core;
    configureCore(core, options);
    FramePrinter printer(core, stdout);
    CliRecording recording(core, options);
    recording.attach(printer);
    core.setSink(&printer);
    printer.printHeader();

    ReportLines reports(core, options.family);
    std::vector<char> block(65536);
    std::string failure;
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failure = "cannot read '" + printable(path) + "': " + std::strerror(errno);
            break;
        }
        if (n == 0) break;
        if (!options.usbRoad) {
            core.receiveBytes(options.family, block.data(), static_cast<std::int32_t>(n));
        } else {
            reports.feed(std::string_view(block.data(), static_cast<std::size_t>(n)));
        }
        // Nothing more to do once the output takes nothing (a full disk, a closed pipe).
        if (std::ferror(stdout)) break;
    }
    if (!standardInput) ::close(fd);
    if (failure.empty() && options.usbRoad) reports.finish();
    if (const std::string why = outputFailure(stdout); failure.empty() && !why.empty()) {
        failure = why;
    }
    std::string summary = summaryLine(core.counters());
    if (reports.skipped())
        summary += ", " + std::to_string(reports.skipped()) + " report lines skipped";
    std::fprintf(stderr, "%s\n", summary.c_str());
    if (!failure.empty()) {
        std::fprintf(stderr, "dmmcli decode: %s\n", failure.c_str());
        return 1;
    }
    return 0;
}

}  // namespace dmm
