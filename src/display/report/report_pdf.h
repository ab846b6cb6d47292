// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace dmm {

class RecordTable;

// Writes the report of the table as a PDF file, through a temporary file that is renamed over
// `path` once all of it is written and flushed: a failed export leaves an existing file as it
// was. Needs a QGuiApplication (fonts) but no display. False with the reason when the file was
// not written; an empty table has no pages and writes nothing.
bool writeReportPdf(const RecordTable& table, const std::string& path, std::string* reason);

}  // namespace dmm
