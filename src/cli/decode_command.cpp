// dmmcli decode: runs a capture through the same assembler, decoders and pipeline as the window.

#include <QFile>

#include <cstdio>
#include <string>
#include <vector>

#include "cli_recording.h"
#include "cli_session.h"
#include "commands.h"

namespace {

// One HID input report per line: hexadecimal bytes, the report ID first. Returns false (and
// says why) for a line that is no such report; blank lines and lines starting with '#' are
// skipped by the caller.
bool parseReportLine(const QByteArray& line, std::vector<std::uint8_t>& bytes, QString& why) {
    bytes.clear();
    for (const QByteArray& token : line.simplified().split(' ')) {
        if (token.isEmpty()) continue;
        bool ok = false;
        const uint v = token.toUInt(&ok, 16);
        if (!ok || v > 0xFF || token.size() > 2) {
            why = QStringLiteral("'%1' is not a hexadecimal byte").arg(QString::fromLatin1(token));
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    if (bytes.empty()) {
        why = QStringLiteral("no report ID");
        return false;
    }
    if (bytes.size() > 0x10000) {
        why = QStringLiteral("report too long");
        return false;
    }
    return true;
}

}  // namespace

int runDecode(const QStringList& arguments) {
    QStringList args = arguments;
    CommonOptions options;
    const QString error = takeCommonOptions(args, options);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "dmmcli decode: %s\n", qPrintable(error));
        return 2;
    }
    if (options.usbRoad && options.family == dmm::Family::Brio) {
        std::fputs("dmmcli decode: the Brio family has no USB road\n", stderr);
        return 2;
    }
    QString path = QStringLiteral("-");
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--"))) {
            std::fprintf(stderr, "dmmcli decode: unknown option '%s'\n", qPrintable(a));
            return 2;
        }
    }
    if (args.size() > 1) {
        std::fprintf(stderr, "dmmcli decode: one input file at most, got '%s' and '%s'\n",
                     qPrintable(args[0]), qPrintable(args[1]));
        return 2;
    }
    if (!args.isEmpty()) path = args.front();

    QFile in;
    const bool opened = path == QLatin1String("-") ? in.open(stdin, QIODevice::ReadOnly)
                                                   : (in.setFileName(path), in.open(QIODevice::ReadOnly));
    if (!opened) {
        std::fprintf(stderr, "dmmcli decode: cannot open '%s': %s\n", qPrintable(path),
                     qPrintable(in.errorString()));
        return 1;
    }

    dmm::MeterCore core;
    configureCore(core, options);
    FramePrinter printer(core, stdout);
    CliRecording recording(core, options);
    recording.attach(printer);
    core.setSink(&printer);
    printer.printHeader();

    unsigned long long badReports = 0;
    if (!options.usbRoad) {
        std::vector<char> block(65536);
        for (;;) {
            const qint64 n = in.read(block.data(), static_cast<qint64>(block.size()));
            if (n <= 0) break;
            core.receive(options.family, block.data(), static_cast<std::int32_t>(n));
        }
    } else {
        std::vector<std::uint8_t> report;
        unsigned long long lineNo = 0;
        while (!in.atEnd()) {
            const QByteArray line = in.readLine(1 << 20).trimmed();
            ++lineNo;
            if (line.isEmpty() || line.startsWith('#')) continue;
            QString why;
            if (!parseReportLine(line, report, why)) {
                ++badReports;
                std::fprintf(stderr, "dmmcli decode: line %llu skipped: %s\n", lineNo,
                             qPrintable(why));
                continue;
            }
            const auto size = static_cast<std::uint16_t>(report.size() - 1);
            if (options.family == dmm::Family::Sorn) {
                core.HidSornData(report[0], report.data() + 1, size);
            } else {
                core.HidKeltData(report[0], report.data() + 1, size);
            }
        }
    }
    std::fflush(stdout);
    std::string summary = summaryLine(core.counters());
    if (badReports) summary += ", " + std::to_string(badReports) + " report lines skipped";
    std::fprintf(stderr, "%s\n", summary.c_str());
    return 0;
}
