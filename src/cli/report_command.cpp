// dmmcli report IN OUT.pdf: reads a data file (XML data packet or TAB text) and writes the
// window's printed report of its records as a PDF file.

#include <QGuiApplication>

#include <cstdio>
#include <new>
#include <string>

#include "cli_session.h"
#include "commands.h"
#include "data_file_command.h"
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
    DataFileNames names;
    if (const int status = readDataFileNames("report", args, names); status != 0) return status;
    const std::string& in = names.in;
    const std::string& out = names.out;
    try {
        RecordTable table;
        if (!loadDataFileSaying("report", in, table)) return 1;
        if (table.empty()) {
            say("report", in + " holds no records; " + out + " not written");
            return 1;
        }
        std::string reason;
        if (!writeReportPdf(table, out, &reason)) {
            say("report", "could not write " + out + ": " + reason);
            return 1;
        }
        say("report", recordCount(table.size()) + " from " + in + " to " + out);
        return 0;
    } catch (const std::bad_alloc&) {
        say("report", "out of memory; " + out + " not written");
        return 1;
    }
}

}  // namespace dmm
