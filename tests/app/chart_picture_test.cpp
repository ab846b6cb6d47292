// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The chart's "Save" as the window runs it: the file dialog, the picture, the messages.
#include <QAction>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "trend_chart.h"
#include "window_fixture.h"

namespace {

class ChartPictureTest : public WindowTest {
protected:
    ChartPictureTest() {
        chart = control<dmm::TrendChart>(*w, "trendChart");
        w->show();
    }
    // Appends readings until the chart holds `points` points (the placeholder included).
    void fillTo(int points) {
        while (static_cast<int>(chart->model().pointCount()) < points) {
            chart->appendPoint(static_cast<double>(chart->model().pointCount() * 10 % 40000));
        }
    }

    std::unique_ptr<dmm::MainWindow> w = makeWindow();
    dmm::TrendChart* chart = nullptr;
};

TEST_F(ChartPictureTest, SavesTheChartAsABitmapOfItsSize) {
    fillTo(180);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString saveName = dir.filePath("trend.bmp");
    dialogs.saveNames << saveName;
    QTest::mouseClick(control<QToolButton>(*chart, "savePictureButton"), Qt::LeftButton);
    EXPECT_EQ(dialogs.saveFilters.join(","), "Bitmaps (*.bmp)");
    EXPECT_EQ(dialogs.saveSuffixes.join(","), "bmp");
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("; ").toStdString();
    ASSERT_EQ(dialogs.informations().size(), 1);
    EXPECT_EQ(dialogs.informations()[0], "Graphic has saved on " + saveName);

    QFile file(saveName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), "BM");
    QImage saved;
    ASSERT_TRUE(saved.load(saveName, "BMP"));
    EXPECT_EQ(saved.size(), chart->size());
    // The tool bar is not in the picture: where the Fill box sits the picture is blank.
    int dark = 0;
    for (int x = 6; x < 40; ++x)
        for (int y = 6; y < 20; ++y) dark += qGray(saved.pixel(x, y)) < 128 ? 1 : 0;
    EXPECT_EQ(dark, 0);
    // The area's fill colour is in the picture.
    bool fillSeen = false;
    for (int x = 0; x < saved.width() && !fillSeen; x += 2)
        for (int y = 0; y < saved.height() && !fillSeen; y += 2)
            fillSeen = QColor(saved.pixel(x, y)) == QColor(255, 255, 128);
    EXPECT_TRUE(fillSeen);

    // A name without an extension gets ".bmp".
    dialogs.saveNames << dir.filePath("plain");
    control<QAction>(*w, "savePictureAction")->trigger();
    EXPECT_TRUE(QFile::exists(dir.filePath("plain.bmp")));
    EXPECT_EQ(dialogs.informations().last(), "Graphic has saved on " + dir.filePath("plain.bmp"));
}

TEST_F(ChartPictureTest, UnwritablePictureIsAnErrorWithoutSuccessMessage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A regular file where a folder is needed cannot be written into, whoever runs the test.
    QFile blocker(dir.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString saveName = dir.filePath("not-a-folder/chart.bmp");
    dialogs.saveNames << saveName;
    control<QAction>(*w, "savePictureAction")->trigger();
    EXPECT_TRUE(dialogs.informations().isEmpty());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].contains(saveName)) << dialogs.errors()[0].toStdString();

    // Cancelling the dialog (no name left to answer with) shows nothing.
    ASSERT_TRUE(dialogs.saveNames.isEmpty());
    control<QAction>(*w, "savePictureAction")->trigger();
    EXPECT_TRUE(dialogs.informations().isEmpty());
    EXPECT_EQ(dialogs.errors().size(), 1);
}

}  // namespace
