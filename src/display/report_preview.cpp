// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "report_preview.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "report_document.h"

namespace dmm {

bool showReportPreview(const RecordTable& table, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    ReportDocument::setUpPage(printer);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("ReportPreview"));
    bool printed = true;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&table, &printed](QPrinter* target) {
                         if (!ReportDocument(table).print(*target)) printed = false;
                     });
    preview.exec();
    return printed;
}

bool printReportWithDialog(const RecordTable& table, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    ReportDocument::setUpPage(printer);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return true;
    return ReportDocument(table).print(printer);
}

}  // namespace dmm
