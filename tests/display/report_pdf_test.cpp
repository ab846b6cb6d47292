// The report written as PDF and read back as text with pdftotext -layout.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <string>

#include "long_time_format.h"
#include "record_table.h"
#include "report_pdf.h"
#include "pdf_text.h"
#include "widget_test_app.h"

namespace {

void add(dmm::RecordTable& t, std::optional<int> no, int timeMs, const char* dcac,
         const char* value, const char* unit, const char* range) {
    dmm::RecordValues v;
    v.no = no;
    v.timeMs = timeMs;
    v.text = {dcac, value, unit, range};
    t.append(v);
}

class ReportPdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        dmm::test::widgetApp();
        ASSERT_TRUE(dir.isValid());
    }
    std::string path(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }
    // The pages of a PDF as pdftotext -layout lays them out.
    QStringList pages(const std::string& pdf) const {
        QStringList p = QString::fromStdString(dmm::test::pdfText(pdf)).split(QLatin1Char('\f'));
        if (!p.isEmpty() && p.back().trimmed().isEmpty()) p.pop_back();
        return p;
    }
    QTemporaryDir dir;
};

// 36 records: 35 fill the first page, the last one stands alone on the second.
TEST_F(ReportPdfTest, PagesCarryHeadersFooterAndTheirRecordsAsDisplayTexts) {
    const int nine = 9 * 3600000 + 5 * 60000 + 7 * 1000 + 250;
    dmm::RecordTable table;
    add(table, 1, nine, "DC", "12.345", "mV", "AUTO");
    add(table, 2, nine + 1000, "", "0.471", "k*", "MANU");  // empty DC/AC, ohm glyph
    for (int i = 3; i <= 35; ++i) add(table, i, nine + i * 1000, "AC", "1.000", "V", "AUTO");
    add(table, std::nullopt, 23 * 3600000 + 59 * 60000 + 59 * 1000 + 999, "AC+DC", "-0.5", "u#", "AUTO");
    const std::string pdf = path("report.pdf");
    std::string reason;
    ASSERT_TRUE(dmm::writeReportPdf(table, pdf, &reason)) << reason;

    EXPECT_NE(dmm::test::commandOutput("pdfinfo '" + pdf + "'").find("(A4)"), std::string::npos);
    const QStringList p = pages(pdf);
    ASSERT_EQ(p.size(), 2);
    const QRegularExpression titles(QStringLiteral("No\\s+Time\\s+DC/AC\\s+Value\\s+Unit\\s+AUTO"));
    for (const QString& page : p) {
        EXPECT_TRUE(page.contains(QStringLiteral("Test Data"))) << page.toStdString();
        EXPECT_TRUE(page.contains(titles)) << page.toStdString();
        EXPECT_TRUE(page.contains(QStringLiteral("The Data Print Foot"))) << page.toStdString();
    }
    const dmm::LongTimeFormat fmt = dmm::LongTimeFormat::fromLocale();
    auto line = [&](const QString& pattern) {
        return QRegularExpression(QStringLiteral("(^|\\n) *") + pattern + QStringLiteral(" *(\\n|$)"));
    };
    auto time = [&](int ms) { return QRegularExpression::escape(QString::fromStdString(fmt.format(ms))); };
    struct Row {
        int page;
        QString pattern;
    } rows[] = {
        {0, QStringLiteral("1 +%1 +DC +12\\.345 +mV +AUTO").arg(time(nine))},
        // Nothing printed between the time and the value: the DC/AC cell is empty.
        {0, QStringLiteral("2 +%1 +0\\.471 +k\u03A9 +MANU").arg(time(nine + 1000))},
        {0, QStringLiteral("35 +%1 +AC +1\\.000 +V +AUTO").arg(time(nine + 35000))},
        // A missing No prints nothing; "u#" is micro and degree C.
        {1, QStringLiteral("%1 +AC\\+DC +-0\\.5 +\u00B5\u00B0C +AUTO").arg(time(86399999))},
    };
    for (const Row& r : rows) {
        EXPECT_TRUE(p[r.page].contains(line(r.pattern))) << r.pattern.toStdString() << "\n" << p[r.page].toStdString();
    }
    EXPECT_FALSE(p[0].contains(QStringLiteral("k*")));
    EXPECT_FALSE(p[1].contains(QStringLiteral("\n 36 ")));

    // The titles and the plain glyph texts are in the LCD face, the rest in the text face.
    const QString fonts = QString::fromStdString(dmm::test::commandOutput("pdffonts '" + pdf + "'"));
    EXPECT_TRUE(fonts.contains(QStringLiteral("DSEG14"))) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains(QRegularExpression(QStringLiteral("Liberation|Arial|DejaVu")))) << fonts.toStdString();
}

// A text wider than its column is cut to it with an ellipsis, and the next column's text stands
// whole beside it; the last column ends at the margin. A text that fits is printed whole.
TEST_F(ReportPdfTest, TextsWiderThanTheirColumnsAreCutWithAnEllipsis) {
    const char* w20 = "WWWWWWWWWWWWWWWWWWWW";
    const struct {
        const char* dcac;
        const char* value;
        const char* range;
        const char* pattern;  // of the record's line
    } rows[] = {
        {w20, "1.5", "AUTO", "1 +\\S+ +W{3,15}\u2026 +1\\.5 +V +AUTO"},
        {"DC", w20, "AUTO", "2 +\\S+ +DC +W{3,15}\u2026 +V +AUTO"},
        {"DC", "12345678901234567890", "AUTO", "3 +\\S+ +DC +1234567\\d*\u2026 +V +AUTO"},
        {"DC", "1.5", w20, "4 +\\S+ +DC +1\\.5 +V +W{3,15}\u2026"},
        {"AC+DC", "-12345.678", "MANU", "5 +\\S+ +AC\\+DC +-12345\\.678 +V +MANU"},
    };
    dmm::RecordTable table;
    int no = 0;
    for (const auto& r : rows) add(table, ++no, 36000000, r.dcac, r.value, "V", r.range);
    const std::string pdf = path("wide.pdf");
    ASSERT_TRUE(dmm::writeReportPdf(table, pdf, nullptr));
    const QString page = pages(pdf).value(0);
    for (const auto& r : rows) {
        const QRegularExpression line(QStringLiteral("\\n *") + QString::fromUtf8(r.pattern) +
                                      QStringLiteral(" *\\n"));
        EXPECT_TRUE(page.contains(line)) << r.pattern << "\n" << page.toStdString();
    }
    EXPECT_FALSE(page.contains(QString::fromLatin1(w20)));
}

}  // namespace
