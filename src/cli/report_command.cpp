// dmmcli report IN OUT.pdf: reads a data file (XML data packet or TAB text) and writes the
// window's printed report of its records as a PDF file.

#include <QGuiApplication>

#include <cstdio>
#include <new>
#include <string>

#include "commands.h"
#include "data_files.h"
#include "record_table.h"
#include "report_pdf.h"

namespace dmm {

std::unique_ptr<QCoreApplication> makeGuiApplication(int& argc, char** argv) {
    // Drawing text needs a GUI application for its fonts, not a screen: without a platform
    // chosen, the report is drawn offscreen, so it works over ssh and in batch jobs.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

int runReport(const QStringList& args) {
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) ||
        args[1].startsWith(QLatin1String("--"))) {
        std::fputs("dmmcli report: wants two file names, IN and OUT\n", stderr);
        return 2;
    }
    const std::string in = args[0].toStdString();
    const std::string out = args[1].toStdString();
    try {
        RecordTable table;
        const LoadOutcome loaded = loadDataFile(in, table, false);
        if (!loaded.ok) {
            std::fprintf(stderr, "dmmcli report: %s %s: %s\n", loaded.message.text.c_str(),
                         in.c_str(), loaded.reason.c_str());
            return 1;
        }
        if (table.empty()) {
            std::fprintf(stderr, "dmmcli report: %s holds no records; %s not written\n",
                         in.c_str(), out.c_str());
            return 1;
        }
        std::string reason;
        if (!writeReportPdf(table, out, &reason)) {
            std::fprintf(stderr, "dmmcli report: could not write %s: %s\n", out.c_str(),
                         reason.c_str());
            return 1;
        }
        std::fprintf(stderr, "dmmcli report: %zu records from %s to %s\n", table.size(),
                     in.c_str(), out.c_str());
        return 0;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "dmmcli report: out of memory; %s not written\n", out.c_str());
        return 1;
    }
}

}  // namespace dmm
