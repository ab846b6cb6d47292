// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>

class QWidget;

namespace dmm {

class RecordTable;

// The most pages the print preview shows. The preview paints every page before it shows the
// first (about 1.7 ms and 80 KB a page), so 1000 pages (35,000 records) open within two
// seconds; a longer report goes to the print dialog without a preview.
constexpr std::size_t kMostPreviewPages = 1000;

// Opens the report of the table in a modal print preview (zoom, page set-up, printing on the
// system's printers, and to a PDF file through the print dialog's "print to file" choice) and
// returns when the preview is closed. The event loop runs meanwhile; every printing lays out
// the records the table holds at that moment. False when a printing from the preview failed
// (the printer or the file could not be opened).
bool showReportPreview(const RecordTable& table, QWidget* parent);

// Opens the modal print dialog and prints the report where the user chooses, page by page,
// without keeping pages in memory. False when the printing failed; cancelling is not a failure.
bool printReportWithDialog(const RecordTable& table, QWidget* parent);

}  // namespace dmm
