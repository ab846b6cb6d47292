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
#include "cli_options.h"
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
        say("decode", "line " + std::to_string(lineNo) + " skipped: " + why);
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
            skip(lineNo_, "'" + std::string(read.badWord) + "' is not a hexadecimal byte");
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
    CommandLine line(QStringLiteral("unknown option '%1'"));
    line.addCommonOptions();
    CommonOptions options;
    QString error = line.parse(arguments);
    if (error.isEmpty()) error = line.readCommonOptions(options);
    if (error.isEmpty() && options.usbRoad && options.family == Family::Brio)
        error = QStringLiteral("the Brio family has no USB road");
    const QStringList files = line.positionalArguments();
    if (error.isEmpty() && files.size() > 1) {
        error = QStringLiteral("one input file at most, got '%1' and '%2'").arg(files[0], files[1]);
    }
    if (!error.isEmpty()) {
        say("decode", error);
        return 2;
    }
    const QString path = files.isEmpty() ? QStringLiteral("-") : files.front();

    // Every input is read as a stream, whatever it is: a file, a pipe, a FIFO, a terminal.
    const bool standardInput = path == QLatin1String("-");
    const int fd = standardInput
                       ? STDIN_FILENO
                       : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        say("decode", "cannot open '" + path.toStdString() + "': " + std::strerror(errno));
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
            failure = "cannot read '" + path.toStdString() + "': " + std::strerror(errno);
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
        say("decode", failure);
        return 1;
    }
    return 0;
}

}  // namespace dmm
