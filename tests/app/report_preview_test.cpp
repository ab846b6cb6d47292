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
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

#include "frame_encoder.h"
#include "pty_pair.h"
#include "report_pdf.h"
#include "report_preview.h"
#include "window_fixture.h"

namespace {

QString run(const QString& command) {
    std::string out;
    if (FILE* p = popen(command.toLocal8Bit().constData(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return QString::fromStdString(out);
}

QString pdfText(const QString& pdf, const QString& pages = QString()) {
    return run(QStringLiteral("pdftotext -layout %1 '%2' -").arg(pages, pdf));
}

class ReportPreviewTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(pty.ok());
        options.ports[1] = pty.slavePath();
        window = makeWindow(options);
        window->show();
    }

    void recordReadings(int n) {
        for (int i = 0; i < n; ++i) {
            dmm::MeterReading r;
            r.valueText = std::to_string(i) + ".000";
            r.couplingText = "DC";
            r.unitText = "k*";
            r.rangeText = "AUTO";
            ASSERT_TRUE(window->recorder().INDataToTable(r, 36000000 + i * 1000).has_value());
        }
    }

    // Clicks the button; `inPreview` runs in the preview's modal loop and must close it.
    void withPreview(QAbstractButton* button, const std::function<void(QPrintPreviewDialog&)>& inPreview) {
        bool ran = false;
        answerModal([&] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* preview = qobject_cast<QPrintPreviewDialog*>(modal);
            if (!preview) {
                if (modal) modal->close();
                return;
            }
            ran = true;
            inPreview(*preview);
            if (preview->isVisible()) preview->reject();
        });
        button->click();
        EXPECT_TRUE(ran) << "no preview opened";
    }

    // Runs `answer` from the event loop, which a modal dialog runs; a timer that has not fired
    // by the end of the test goes with it.
    void answerModal(const std::function<void()>& answer) {
        auto& timer = answers_.emplace_back(std::make_unique<QTimer>());
        timer->setSingleShot(true);
        QObject::connect(timer.get(), &QTimer::timeout, answer);
        timer->start(0);
    }

    // Answers the next print dialog: print to the PDF file `pdf`.
    void printToFile(const QString& pdf, bool* printed) {
        answerModal([pdf, printed] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no print dialog";
                if (QWidget* w = QApplication::activeModalWidget()) w->close();
                return;
            }
            auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
            auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            const int toFile = printers ? printers->findText(QStringLiteral("Print to File (PDF)")) : -1;
            if (!file || toFile < 0) {
                ADD_FAILURE() << "the print dialog offers no print to file";
                dialog->reject();
                return;
            }
            printers->setCurrentIndex(toFile);
            file->setText(pdf);
            *printed = true;
            dialog->accept();
        });
    }

    std::vector<std::unique_ptr<QTimer>> answers_;
    QTemporaryDir dir;
    PtyPair pty;
    dmm::AppOptions options;
    std::unique_ptr<dmm::TFCOMM> window;
};

TEST_F(ReportPreviewTest, AnEmptyTableOpensNoPreviewButSaysWhy) {
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(window->BtPrint),
                               static_cast<QAbstractButton*>(window->Print)}) {
        dialogs.shown.clear();
        answerModal([] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        b->click();
        EXPECT_EQ(dialogs.last(), "information: There are no records to print.");
    }
}

// The preview shows the table's pages, and while it is open the meter's frames are still
// decoded and recorded.
TEST_F(ReportPreviewTest, BothButtonsOpenTheModalPreviewWhileRecordingGoesOn) {
    recordReadings(36);
    dmm::MeterDisplay d;
    d.digits = "01234";
    d.decimals = 3;
    d.unit = "V";
    d.coupling = "DC";
    std::string frame, error;
    ASSERT_TRUE(dmm::encodeFrame(dmm::Family::Kelt, d, frame, &error)) << error;
    window->COMCon->click();

    for (QAbstractButton* b : {static_cast<QAbstractButton*>(window->BtPrint),
                               static_cast<QAbstractButton*>(window->Print)}) {
        const std::size_t before = window->recordTable().size();
        withPreview(b, [&](QPrintPreviewDialog& preview) {
            EXPECT_TRUE(preview.isModal());
            auto* pages = preview.findChild<QPrintPreviewWidget*>();
            ASSERT_NE(pages, nullptr);
            EXPECT_EQ(pages->pageCount(), 2) << "36 records: 35 on the first page, one on the second";
            pty.write(QByteArray::fromStdString(frame));
            EXPECT_TRUE(waitFor([&] { return window->recordTable().size() > before; }));
        });
        EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.last().toStdString();
    }
}

// Printing from the preview to a file through the print dialog gives the pages dmmcli writes.
TEST_F(ReportPreviewTest, PrintToFileFromThePreviewWritesTheReportAsPdf) {
    recordReadings(40);
    const QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
    bool printed = false;
    withPreview(window->BtPrint, [&](QPrintPreviewDialog& preview) {
        QAction* print = nullptr;
        for (QAction* a : preview.findChildren<QAction*>()) {
            if (a->text().remove(QLatin1Char('&')) == QLatin1String("Print")) print = a;
        }
        ASSERT_NE(print, nullptr);
        printToFile(pdf, &printed);
        print->trigger();
    });
    ASSERT_TRUE(printed);
    const std::string direct = dir.filePath(QStringLiteral("direct.pdf")).toStdString();
    std::string reason;
    ASSERT_TRUE(dmm::writeReportPdf(window->recordTable(), direct, &reason)) << reason;
    const QString text = pdfText(pdf);
    EXPECT_EQ(text.count(QLatin1Char('\f')), 2);
    EXPECT_TRUE(text.contains(QStringLiteral("The Data Print Foot")));
    EXPECT_EQ(text, pdfText(QString::fromStdString(direct)));
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.last().toStdString();
}

// A report too long to preview says so and goes to the print dialog, and prints every page.
TEST_F(ReportPreviewTest, AReportTooLongToPreviewGoesStraightToThePrintDialog) {
    const int records = static_cast<int>(dmm::kMostPreviewPages) * 35 + 1;
    window->N1000001->trigger();  // record limit 100000
    recordReadings(records);
    const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
    bool printed = false;
    printToFile(pdf, &printed);
    window->BtPrint->click();
    ASSERT_TRUE(printed);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.last(), QStringLiteral("information: The report has %1 pages, too many to preview. "
                                             "Choose where to print it.").arg(dmm::kMostPreviewPages + 1));
    const QString pages = QString::number(dmm::kMostPreviewPages + 1);
    EXPECT_TRUE(run(QStringLiteral("pdfinfo '%1'").arg(pdf)).contains(QRegularExpression(QStringLiteral("Pages: +") + pages)));
    const QString last = pdfText(pdf, QStringLiteral("-f %1 -l %1").arg(pages));
    EXPECT_TRUE(last.contains(QRegularExpression(QStringLiteral("\n *%1 +").arg(records)))) << last.toStdString();
}

}  // namespace
