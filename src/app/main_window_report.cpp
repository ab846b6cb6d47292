// The printed report, opened in a print preview.
#include "dialogs.h"
#include "main_window.h"
#include "report_document.h"
#include "report_preview.h"

namespace dmm {

void MainWindow::onPrintClicked() {
    if (table_.empty()) {
        // An empty table has no pages; an empty preview would only puzzle.
        if (dialogs_) dialogs_->information(QStringLiteral("There are no records to print."));
        return;
    }
    bool printed = true;
    const std::size_t pages = ReportDocument(table_).pageCount();
    if (pages <= kMostPreviewPages) {
        printed = showReportPreview(table_, this);
    } else {
        if (dialogs_) {
            dialogs_->information(
                QStringLiteral(
                    "The report has %1 pages, too many to preview. Choose where to print it.")
                    .arg(pages));
        }
        printed = printReportWithDialog(table_, this);
    }
    update();
    if (!printed && dialogs_) dialogs_->error(QStringLiteral("The report could not be printed."));
}

}  // namespace dmm
