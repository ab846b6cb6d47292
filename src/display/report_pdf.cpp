#include "report_pdf.h"

#include <QIODevice>
#include <QPdfWriter>

#include "atomic_file.h"
#include "record_table.h"
#include "report_document.h"

namespace dmm {

namespace {

// Passes what the PDF writer produces straight on to the file being written, so that no page
// stays in memory; remembers a refused write, which the writer itself would not report.
class SinkDevice : public QIODevice {
public:
    explicit SinkDevice(const ByteSink& sink) : sink_(sink) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }
    bool failed() const { return failed_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (failed_) return -1;
        if (!sink_(std::string_view(data, static_cast<std::size_t>(size)))) {
            failed_ = true;
            return -1;
        }
        return size;
    }

private:
    const ByteSink& sink_;
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
            return painted && !device.failed();
        },
        reason);
    if (!painted && reason) *reason = "the PDF could not be painted";
    return written;
}

}  // namespace dmm
