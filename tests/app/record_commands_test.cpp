// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The record row's commands: Close Data, save and load through the file dialogs, and data files
// opened from the command line and by drop.
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QScrollBar>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>

#include "data_file_drop.h"
#include "data_files.h"
#include "pdf_text.h"
#include "record_grid.h"
#include "record_table_model.h"
#include "report_pdf.h"
#include "window_fixture.h"

namespace {

class RecordCommandsTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        window = makeWindow();
    }

    // Offers readings to the recorder as the pipeline does after each decoded frame.
    void recordReadings(const std::vector<const char*>& values, const char* unit = "k*") {
        for (const char* v : values) {
            dmm::MeterReading r;
            r.valueText = v;
            r.couplingText = "DC";
            r.unitText = unit;
            r.rangeText = "AUTO";
            ASSERT_TRUE(window->recorder().addReading(r, 9 * 3600000 + 5 * 60000 + 7250).has_value());
        }
        window->gridModel()->sync();
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    dmm::RecordGrid* grid() const { return control<dmm::RecordGrid>(*window, "recordGrid"); }
    void click(const char* button) { control<QAbstractButton>(*window, button)->click(); }

    QTemporaryDir dir;
    std::unique_ptr<dmm::MainWindow> window;
};

TEST_F(RecordCommandsTest, CloseDataEmptiesTheTableAfterTheMessage) {
    recordReadings({"1.000", "2.000", "3.000"});
    ASSERT_EQ(grid()->model()->rowCount(), 3);
    click("clearRecordsButton");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, "information");
    EXPECT_EQ(dialogs.shown[0].text, " Record deleted ");
    EXPECT_EQ(grid()->model()->rowCount(), 0);
    EXPECT_EQ(window->recorder().recordNo(), 1);
    EXPECT_EQ(window->recorder().recordTotal(), 0);
}

TEST_F(RecordCommandsTest, GridShowsUnitGlyphsAsSymbolsButTheTableKeepsThem) {
    recordReadings({"4.700"}, "k*");
    const QAbstractItemModel* m = grid()->model();
    EXPECT_EQ(m->headerData(4, Qt::Horizontal).toString(), "Unit");
    EXPECT_EQ(m->index(0, 4).data().toString(), QString::fromUtf8("k\u03A9"));
    EXPECT_EQ(window->recordTable()[0].text(dmm::kFieldUnit).value(), "k*");
    EXPECT_EQ(m->index(0, 0).data().toString(), "1");
    EXPECT_EQ(m->index(0, 3).data().toString(), "4.700");
    EXPECT_EQ(m->index(0, 1).data().toString(), dmm::longTimeText(window->recordTable()[0].timeMs().value()));
    const int widths[] = {53, 60, 44, 56, 35, 35};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(grid()->columnWidth(c), widths[c]) << c;
    EXPECT_EQ(grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
}

// Both formats: what is saved loads back the same; XML replaces the table, text adds to it.
TEST_F(RecordCommandsTest, SaveAndLoadThroughTheFileDialogs) {
    struct Row {
        const char* file;
        bool replaces;
    } rows[] = {{"data.xml", true}, {"data.xls", false}, {"DATA.TXT", false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        window->recordTable().clear();
        window->gridModel()->sync();
        recordReadings({"1.000", "-2.500", "0L"});
        dialogs.shown.clear();

        dialogs.saveNames << path(r.file);
        click("saveRecordsButton");
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(dialogs.shown[0].kind, "information");
        EXPECT_EQ(dialogs.shown[0].text,
                  "Save table to specified file: " + path(r.file) + " Scuss!");
        EXPECT_EQ(dialogs.saveSuffixes.back(), "xls");
        EXPECT_EQ(dialogs.saveFilters.back(),
                  "Excel File(*.xls);;XML(*.xml);;Txt File(*.txt)");

        dialogs.openNames << path(r.file);
        click("openRecordsButton");
        EXPECT_EQ(dialogs.shown.size(), 1) << "a good load shows nothing";
        EXPECT_EQ(dialogs.openFilters.back(), "Exel File(*.xls);;XML (*.xml);;Txt File(*.txt)");
        const int expected = r.replaces ? 3 : 6;
        EXPECT_EQ(grid()->model()->rowCount(), expected);
        EXPECT_EQ(window->recordTable().size(), static_cast<std::size_t>(expected));
        EXPECT_EQ(grid()->model()->index(expected - 2, 3).data().toString(), "-2.500");
        EXPECT_EQ(grid()->model()->index(expected - 1, 4).data().toString(),
                  QString::fromUtf8("k\u03A9"));
    }
}

// After a load the last record is current and in sight, whichever kind of file it came from.
TEST_F(RecordCommandsTest, LoadMakesTheLastRecordCurrentAndVisible) {
    window->show();
    std::vector<const char*> values(300, "1.500");
    recordReadings(values);
    for (const char* name : {"many.txt", "many.xml"}) {
        SCOPED_TRACE(name);
        dialogs.saveNames << path(name);
        click("saveRecordsButton");
        click("clearRecordsButton");
        grid()->setCurrentIndex(window->gridModel()->index(0, 0));
        dialogs.openNames << path(name);
        click("openRecordsButton");
        QCoreApplication::processEvents();
        const int last = window->gridModel()->rowCount() - 1;
        ASSERT_EQ(last, 299);
        EXPECT_EQ(grid()->currentIndex().row(), last);
        const QScrollBar* bar = grid()->verticalScrollBar();
        EXPECT_GT(bar->maximum(), 0);
        EXPECT_EQ(bar->value(), bar->maximum()) << "scrolled to the end, the last row in sight";
    }
}

// Texts beyond ASCII go through load, grid, report and save as they were read: those of the
// code page (µ, °, €) in both formats, those it lacks (Ω, Ł) through the XML packet, and as
// question marks through TAB text, which cannot hold them. A saved file's name that holds a
// control character is quoted escaped.
TEST_F(RecordCommandsTest, TextsBeyondAsciiGoThroughLoadGridReportAndSaveAsRead) {
    const struct {
        const char* text;
        const char* throughTabText;
    } rows[] = {
        {"1.5 \xC2\xB5V", "1.5 \xC2\xB5V"},
        {"20 \xC2\xB0" "C", "20 \xC2\xB0" "C"},
        {"\xE2\x82\xAC 3", "\xE2\x82\xAC 3"},
        {"4.7 k\xCE\xA9", "4.7 k?"},
        {"\xC5\x81\xC3\xB3" "d\xC5\xBA", "?\xC3\xB3" "d?"},
    };
    dmm::RecordTable made;
    for (const auto& r : rows) {
        dmm::RecordValues v;
        v.no = 1;
        v.timeMs = 36000000;
        v.text = {"DC", r.text, "\xC2\xB5" "A", "AUTO"};
        made.append(v);
    }
    const std::string in = path("in.xml").toStdString();
    ASSERT_TRUE(dmm::saveDataFile(made, in).ok);
    dialogs.openNames << path("in.xml");
    click("openRecordsButton");
    ASSERT_EQ(grid()->model()->rowCount(), static_cast<int>(std::size(rows)));
    for (int i = 0; i < grid()->model()->rowCount(); ++i) {
        EXPECT_EQ(grid()->model()->index(i, 3).data().toString(), QString::fromUtf8(rows[i].text));
        EXPECT_EQ(grid()->model()->index(i, 4).data().toString(), QString::fromUtf8("\xC2\xB5" "A"));
    }

    const std::string pdf = path("report.pdf").toStdString();
    ASSERT_TRUE(dmm::writeReportPdf(window->recordTable(), pdf, nullptr));
    // Compared without blanks, which the text's layout may move.
    const auto unspaced = [](std::string t) { return std::erase(t, ' '), t; };
    const std::string printed = unspaced(dmm::test::pdfText(pdf));
    for (const auto& r : rows) EXPECT_NE(printed.find(unspaced(r.text)), std::string::npos) << printed;

    for (const char* name : {"out\x1b[2J.txt", "out.xml"}) {
        SCOPED_TRACE(name);
        dialogs.shown.clear();
        dialogs.saveNames << path(name);
        click("saveRecordsButton");
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(dialogs.shown[0].text, "Save table to specified file: " +
                                             path(name).replace(QChar(0x1b), QStringLiteral("\\x1b")) +
                                             " Scuss!");
        dmm::RecordTable loaded;
        ASSERT_TRUE(dmm::loadDataFile(path(name).toStdString(), loaded, false).ok);
        const bool xml = QString::fromLatin1(name).endsWith(QLatin1String(".xml"));
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            EXPECT_EQ(loaded[i].text(dmm::kFieldValue), xml ? rows[i].text : rows[i].throughTabText);
        }
    }
}

TEST_F(RecordCommandsTest, CancelledDialogsAndBadFiles) {
    recordReadings({"1.000"});
    click("saveRecordsButton");  // no name: cancelled
    click("openRecordsButton");  // likewise
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(window->recordTable().size(), 1u);

    QFile bad(path("broken.xml"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<DATAPACKET><ROWDATA><ROW No=");
    bad.close();
    dialogs.openNames << bad.fileName() << path("missing.txt");
    click("openRecordsButton");
    click("openRecordsButton");
    ASSERT_EQ(dialogs.shown.size(), 2);
    for (const auto& s : dialogs.shown) {
        EXPECT_EQ(s.kind, "error");
        EXPECT_EQ(s.text, "Failed to Load File!");
    }
    EXPECT_EQ(window->recordTable().size(), 1u) << "a failed load keeps the table";
    EXPECT_EQ(grid()->model()->rowCount(), 1);

    // Saving into a folder that does not exist fails with a message and no success.
    dialogs.shown.clear();
    dialogs.saveNames << path("no/such/folder/out.txt");
    click("saveRecordsButton");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, "error");
    EXPECT_TRUE(dialogs.shown[0].text.startsWith("Could not save table to specified file: "));
}

// A data file opens from the command line (dmmview FILE) and dropped anywhere on the window as
// with "Open old data files": the same records in the grid, or the same message.
TEST_F(RecordCommandsTest, DataFilesOpenFromTheCommandLineAndByDropAsWithOpen) {
    recordReadings({"1.000", "-2.500", "0L"});
    dialogs.saveNames << path("data.xml") << path("DATA.XLS");
    click("saveRecordsButton");
    click("saveRecordsButton");
    QFile bad(path("broken.xml"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<DATAPACKET><ROWDATA><ROW No=");
    bad.close();
    struct Row {
        const char* route;  // "command line", "window", or the objectName of a widget dropped on
        const char* file;
        std::size_t records;
        const char* error;  // the message box's text, or nullptr: none
    } rows[] = {
        {"command line", "data.xml", 3, nullptr},
        {"command line", "missing.txt", 0, "Failed to Load File!"},
        {"window", "DATA.XLS", 3, nullptr},
        {"upperLimitEdit", "data.xml", 3, nullptr},  // an edit, which takes dropped text of its own
        {"window", "broken.xml", 0, "Failed to Load File!"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.route) + " " + r.file);
        dialogs.shown.clear();
        dmm::AppOptions options;
        const bool commandLine = std::string(r.route) == "command line";
        if (commandLine) options.dataFile = path(r.file);
        auto opened = makeWindow(options);
        if (!commandLine) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(path(r.file))});
            QWidget* target = std::string(r.route) == "window" ? opened.get()
                                                               : control<QWidget>(*opened, r.route);
            QDragEnterEvent enter({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            enter.ignore();
            QCoreApplication::sendEvent(target, &enter);
            EXPECT_TRUE(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
            drop.ignore();
            QCoreApplication::sendEvent(target, &drop);
            EXPECT_TRUE(drop.isAccepted());
            EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "never a move: the file stays";
        }
        const qsizetype messages = r.error ? 1 : 0;
        EXPECT_TRUE(waitFor([&] {
            return opened->recordTable().size() == r.records && dialogs.shown.size() == messages;
        }));
        EXPECT_EQ(opened->gridModel()->rowCount(), static_cast<int>(r.records));
        if (r.error && !dialogs.shown.isEmpty()) {
            EXPECT_EQ(dialogs.shown[0].text, r.error);
        }
    }
    EXPECT_TRUE(QFile::exists(path("data.xml"))) << "a dropped file is opened, not moved";
}

// Only a drag of one local data file, offered as a copy, is taken; the rest is left alone.
TEST_F(RecordCommandsTest, OtherDragsAreNotTakenForDataFiles) {
    struct Row {
        QList<QUrl> urls;
        Qt::DropActions actions;
    } rows[] = {
        {{QUrl::fromLocalFile(path("a.xls")), QUrl::fromLocalFile(path("b.xls"))},
         Qt::CopyAction},
        {{QUrl::fromLocalFile(path("picture.png"))}, Qt::CopyAction},
        {{QUrl(QStringLiteral("https://example.org/data.xls"))}, Qt::CopyAction},
        {{}, Qt::CopyAction},
        {{QUrl::fromLocalFile(path("data.xls"))}, Qt::MoveAction},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QUrl::toStringList(r.urls).join(' ').toStdString());
        QMimeData data;
        data.setUrls(r.urls);
        data.setText(QStringLiteral("text"));
        QDragEnterEvent enter({5, 5}, r.actions, &data, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QCoreApplication::sendEvent(window.get(), &enter);
        EXPECT_FALSE(enter.isAccepted());
    }
    EXPECT_EQ(dmm::DataFileDrop::dataFileOf(nullptr), "");
}

}  // namespace

namespace {

// The hidden recall panel still works when a layout shows it: its edits set the recall clock.
TEST_F(RecordCommandsTest, RecallPanelSetsTheRecallClock) {
    click("recallClockCheckBox");
    EXPECT_EQ(control<QLineEdit>(*window, "recallHoursEdit")->text(), "00");
    EXPECT_EQ(control<QLineEdit>(*window, "recallSecondsEdit")->text(), "00");
    EXPECT_TRUE(window->core().settings.recallClockOn);

    control<QLineEdit>(*window, "recallHoursEdit")->setText("24");
    control<QLineEdit>(*window, "recallMinutesEdit")->setText("30");
    QTest::keyRelease(control<QLineEdit>(*window, "recallHoursEdit"), Qt::Key_4);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "Input error!");
    EXPECT_EQ(control<QLineEdit>(*window, "recallHoursEdit")->text(), "00");
    EXPECT_EQ(window->core().state.recallClock, (dmm::RecallClock{0, 30, 0}));

    click("recallClockCheckBox");
    EXPECT_EQ(control<QLineEdit>(*window, "recallHoursEdit")->text(), "23");
    EXPECT_EQ(window->core().state.recallClock, (dmm::RecallClock{23, 59, 59}));
}

}  // namespace
