// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "report_pdf.h"

#include <QIODevice>
#include <QPdfWriter>

#include <string>

#include "atomic_file.h"
#include "record_table.h"
#include "report_document.h"

namespace dmm {

namespace {

// Passes what the PDF writer produces on to the file being written in pieces of 64 KiB (the
// writer itself writes a few bytes at a time), so that no page stays in memory; remembers a
// refused write, which the writer would not report.
class SinkDevice : public QIODevice {
public:
    explicit SinkDevice(const ByteSink& sink) : sink_(sink) {
        pending_.reserve(kPiece);
        open(QIODevice::WriteOnly);
    }
    bool isSequential() const override { return true; }
    // Passes on what is still pending; false when anything was refused.
    bool finish() { return pass() && !failed_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (failed_) return -1;
        pending_.append(data, static_cast<std::size_t>(size));
        if (pending_.size() >= kPiece && !pass()) return -1;
        return size;
    }

private:
    static constexpr std::size_t kPiece = 64 * 1024;
    bool pass() {
        if (!failed_ && !pending_.empty() && !sink_(pending_)) failed_ = true;
        pending_.clear();
        return !failed_;
    }

    const ByteSink& sink_;
    std::string pending_;
    bool failed_ = false;
};

}  // namespace

bool writeReportPdf(const RecordTable& table, const std::string& path, std::string* reason) {
    if (table.empty()) {
        if (reason) *reason = "the table holds no records";
        return false;
    }
    bool painted = true;
    const bool written = writeFileAtomically(
        path,
        [&](const ByteSink& sink) {
            SinkDevice device(sink);
            {
                QPdfWriter writer(&device);
                writer.setCreator(QStringLiteral("dmmview"));
                writer.setTitle(QStringLiteral("Test Data"));
                ReportDocument::setUpPage(writer);
                painted = ReportDocument(table).print(writer);
            }  // the writer has finished the file when it is gone
            return device.finish() && painted;
        },
        reason);
    if (!painted && reason) *reason = "the PDF could not be painted";
    return written;
}

}  // namespace dmm
