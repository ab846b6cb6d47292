// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The printed report's time and memory: N records to a PDF file, or the print preview opened
// on N records (the time until its first page is shown). One measurement per run, so that the
// peak resident memory belongs to it alone.
//
//   QT_QPA_PLATFORM=offscreen report_bench pdf 10000 [FILE]       (dmmcli report's way)
//   QT_QPA_PLATFORM=offscreen report_bench printer 100000 [FILE]  (the print dialog's "print to
//                                                                  file", without a preview)
//   QT_QPA_PLATFORM=offscreen report_bench preview 10000 [PNG]   (PNG: a picture of the preview)
#include <QApplication>
#include <QElapsedTimer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "record_table.h"
#include "report_document.h"
#include "report_pdf.h"
#include "report_preview.h"

namespace {

// Resident memory now, from /proc, in MiB.
double residentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0.0;
}

double peakResidentMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Readings as a meter gives them: a new value each second, repeated coupling, unit and range.
dmm::RecordTable makeTable(int records) {
    static const char* units[] = {"k*", "mV", "V", "uA"};
    dmm::RecordTable table;
    for (int i = 0; i < records; ++i) {
        char value[16];
        std::snprintf(value, sizeof value, "%d.%03d", i % 40, i % 1000);
        dmm::RecordValues v;
        v.no = i + 1;
        v.timeMs = (8 * 3600 + i) % 86400 * 1000;
        v.text = {i % 7 == 0 ? "AC" : "DC", value, units[(i / 100) % 4], "AUTO"};
        table.append(v);
    }
    return table;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "pdf";
    const int records = argc > 2 ? std::atoi(argv[2]) : 10000;
    const dmm::RecordTable table = makeTable(records);
    const double before = residentMiB();
    QElapsedTimer clock;

    if (mode == "pdf") {
        const std::string file = argc > 3 ? argv[3] : "/tmp/report_bench.pdf";
        clock.start();
        std::string reason;
        if (!dmm::writeReportPdf(table, file, &reason)) {
            std::fprintf(stderr, "report_bench: %s\n", reason.c_str());
            return 1;
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        std::printf("pdf: %d records, %.3f s, resident before %.1f MiB, peak %.1f MiB (+%.1f)\n",
                    records, seconds, before, peakResidentMiB(), peakResidentMiB() - before);
        return 0;
    }
    if (mode == "printer") {
        QPrinter printer(QPrinter::HighResolution);
        dmm::ReportDocument::setUpPage(printer);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromLocal8Bit(argc > 3 ? argv[3] : "/tmp/report_bench.pdf"));
        clock.start();
        if (!dmm::ReportDocument(table).print(printer)) return 1;
        std::printf("printer: %d records, %.3f s, resident before %.1f MiB, peak %.1f MiB (+%.1f)\n",
                    records, clock.nsecsElapsed() / 1e9, before, peakResidentMiB(), peakResidentMiB() - before);
        return 0;
    }
    if (mode == "preview") {
        double shown = -1;
        int pages = 0;
        // Runs inside the preview's modal loop: once the dialog and its first page have been
        // painted, note the time and close it.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (auto* widget = dialog->findChild<QPrintPreviewWidget*>()) {
                widget->repaint();
                pages = widget->pageCount();
            }
            shown = clock.nsecsElapsed() / 1e9;
            if (argc > 3) dialog->grab().save(QString::fromLocal8Bit(argv[3]));
            dialog->reject();
        });
        clock.start();
        dmm::showReportPreview(table, nullptr);
        std::printf("preview: %d records, %d pages, first page shown after %.3f s, resident before"
                    " %.1f MiB, peak %.1f MiB (+%.1f)\n",
                    records, pages, shown, before, peakResidentMiB(), peakResidentMiB() - before);
        return shown < 0 ? 1 : 0;
    }
    std::fprintf(stderr, "usage: report_bench pdf|printer|preview [RECORDS] [FILE|PNG]\n");
    return 2;
}
