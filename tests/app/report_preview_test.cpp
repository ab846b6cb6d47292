// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The Print buttons: the report in a modal print preview, and PDF through its print dialog.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "pdf_text.h"
#include "frame_encoder.h"
#include "pty_pair.h"
#include "record_table_model.h"
#include "report_pdf.h"
#include "report_preview.h"
#include "window_fixture.h"

namespace {

using dmm::test::pdfText;

class ReportPreviewTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid() && pty.ok());
        options.ports[1] = pty.slavePath();
        window = makeWindow(options);
        window->show();
    }

    void recordReadings(int n) {
        dmm::MeterReading r{.valueText = "", .couplingText = "DC", .unitText = "k*", .rangeText = "AUTO"};
        for (int i = 0; i < n; ++i) {
            r.valueText = std::to_string(i) + ".000";
            ASSERT_TRUE(window->recorder().addReading(r, 36000000 + i * 1000).has_value());
        }
    }

    // Runs `answer` from the event loop a modal dialog runs; a timer that has not fired by the
    // end of the test goes with it.
    void answerModal(const std::function<void(QWidget*)>& answer) {
        auto& timer = answers_.emplace_back(std::make_unique<QTimer>());
        timer->setSingleShot(true);
        QObject::connect(timer.get(), &QTimer::timeout, [answer] { answer(QApplication::activeModalWidget()); });
        timer->start(0);
    }

    // Answers the next print dialog: "Print to File (PDF)" into `pdf`.
    void printToFile(const std::string& pdf, bool* printed) {
        answerModal([pdf, printed](QWidget* modal) {
            auto* dialog = qobject_cast<QPrintDialog*>(modal);
            auto* printers = modal ? modal->findChild<QComboBox*>(QStringLiteral("printers")) : nullptr;
            auto* file = modal ? modal->findChild<QLineEdit*>(QStringLiteral("filename")) : nullptr;
            const int toFile = printers ? printers->findText(QStringLiteral("Print to File (PDF)")) : -1;
            if (!dialog || !file || toFile < 0) {
                if (modal) modal->close();
                return;
            }
            printers->setCurrentIndex(toFile);
            file->setText(QString::fromStdString(pdf));
            *printed = true;
            dialog->accept();
        });
    }

    std::vector<std::unique_ptr<QTimer>> answers_;
    QTemporaryDir dir;
    PtyPair pty;
    dmm::AppOptions options;
    std::unique_ptr<dmm::MainWindow> window;
};

// An empty table opens no preview but says why. Otherwise the preview shows the table's pages,
// and while it is open the meter's frames are still decoded and recorded.
TEST_F(ReportPreviewTest, BothButtonsOpenTheModalPreviewWhileRecordingGoesOn) {
    dmm::MeterDisplay d{.digits = "01234", .decimals = 3, .unit = "V", .coupling = "DC"};
    std::string frame, error;
    ASSERT_TRUE(dmm::encodeFrame(dmm::Family::Kelt, d, frame, &error)) << error;
    control<QToolButton>(*window, "serialConnectButton")->click();

    for (const char* name : {"printRecordsButton", "printButton"}) {
        auto* b = control<QAbstractButton>(*window, name);
        SCOPED_TRACE(b->objectName().toStdString());
        window->recordTable().clear();
        window->gridModel()->sync();
        dialogs.shown.clear();
        answerModal([](QWidget* modal) { if (modal) modal->close(); });
        b->click();
        EXPECT_EQ(dialogs.last(), "information: There are no records to print.");
        answers_.clear();  // nothing was opened to answer

        recordReadings(36);
        int pages = -1;
        bool recorded = false;
        answerModal([&](QWidget* modal) {
            if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
                pages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
                pty.write(QByteArray::fromStdString(frame));
                recorded = waitFor([&] { return window->recordTable().size() > 36; });
            }
            if (modal) modal->close();
        });
        b->click();
        EXPECT_EQ(pages, 2) << "36 records: 35 on the first page, one on the second";
        EXPECT_TRUE(recorded);
        EXPECT_EQ(dialogs.shown.size(), 1);
    }
}

// Printing to a file from the preview through the print dialog gives the pages dmmcli writes.
TEST_F(ReportPreviewTest, PrintToFileFromThePreviewWritesTheReportAsPdf) {
    recordReadings(40);
    const std::string pdf = dir.filePath(QStringLiteral("printed.pdf")).toStdString();
    bool printed = false;
    answerModal([&](QWidget* modal) {
        for (QAction* a : modal ? modal->findChildren<QAction*>() : QList<QAction*>()) {
            if (a->text().remove(QLatin1Char('&')) == QLatin1String("Print")) {
                printToFile(pdf, &printed);
                a->trigger();  // closes the preview once printed
            }
        }
        if (modal && modal->isVisible()) modal->close();
    });
    control<QToolButton>(*window, "printRecordsButton")->click();
    ASSERT_TRUE(printed);
    const std::string direct = dir.filePath(QStringLiteral("direct.pdf")).toStdString();
    std::string reason;
    ASSERT_TRUE(dmm::writeReportPdf(window->recordTable(), direct, &reason)) << reason;
    const std::string text = pdfText(pdf);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 2);
    EXPECT_NE(text.find("The Data Print Foot"), std::string::npos);
    EXPECT_EQ(text, pdfText(direct));
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.last().toStdString();
}

// A report too long to preview says so, goes to the print dialog and prints every page.
TEST_F(ReportPreviewTest, AReportTooLongToPreviewGoesStraightToThePrintDialog) {
    const int records = static_cast<int>(dmm::kMostPreviewPages) * 35 + 1;
    control<QAction>(*window, "recordLimit100000Action")->trigger();  // record limit 100000
    recordReadings(records);
    const std::string pdf = dir.filePath(QStringLiteral("long.pdf")).toStdString();
    bool printed = false;
    printToFile(pdf, &printed);
    control<QToolButton>(*window, "printRecordsButton")->click();
    ASSERT_TRUE(printed);
    const std::string pages = std::to_string(dmm::kMostPreviewPages + 1);
    EXPECT_EQ(dialogs.last(), QStringLiteral("information: The report has %1 pages, too many to preview. "
                                             "Choose where to print it.").arg(pages.c_str()));
    EXPECT_NE(dmm::test::commandOutput("pdfinfo '" + pdf + "'").find("Pages:           " + pages),
              std::string::npos);
    const std::string last = pdfText(pdf, "-f " + pages + " -l " + pages);
    EXPECT_TRUE(QString::fromStdString(last).contains(QRegularExpression(QStringLiteral("\n *%1 +").arg(records))))
        << last;
}

}  // namespace
