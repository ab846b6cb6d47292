// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trend_chart.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QAreaSeries>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>
#include <QWheelEvent>

#include "widget_test_app.h"

namespace dmm {
namespace {

class TrendChartTest : public testing::Test {
protected:
    TrendChartTest() {
        window.resize(711, 485);
        chart = new TrendChart(&window);
        window.show();
        chart->startNewChart();  // as start-up resets it
        chart->setValueAxis(-40000, 40000);
    }

    // Appends readings until the series holds `points` points (the placeholder included).
    void fillTo(int points) {
        while (static_cast<int>(chart->model().pointCount()) < points) {
            chart->appendPoint(static_cast<double>(chart->model().pointCount() * 10 % 40000));
        }
    }
    template <typename T>
    T* child(const char* name) {
        T* w = chart->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QAction* action(const char* name) { return chart->findChild<QAction*>(name); }
    QString pageCaption() { return child<QToolButton>("pageNumberButton")->text(); }

    QApplication& app = test::widgetApp();
    QWidget window;
    TrendChart* chart = nullptr;
};

TEST_F(TrendChartTest, ToolBarControlsWithTheirPlacesAndHints) {
    EXPECT_EQ(chart->geometry(), QRect(336, 172, 371, 309));
    struct Row {
        const char* name;
        QRect bounds;
        const char* hint;
        bool hidden;
    };
    const Row rows[] = {
        {"fillFrame", {2, 2, 40, 20}, "", false},
        {"fillCheckBox", {5, 5, 36, 17}, "Graphic Fill", false},
        {"pointsPerPageEdit", {48, 3, 41, 21}, "", false},
        {"newChartButton", {91, 3, 35, 21}, "New", false},
        {"savePictureButton", {125, 3, 35, 21}, "Save", false},
        {"firstPageButton", {163, 3, 25, 21}, "First", false},
        {"previousPageButton", {187, 3, 25, 21}, "Previous", false},
        {"pageNumberButton", {211, 3, 25, 21}, "Page No.", false},
        {"nextPageButton", {235, 3, 25, 21}, "Next", false},
        {"lastPageButton", {259, 3, 25, 21}, "last", false},
        {"chartEnlargeIcon", {288, 3, 25, 25}, "Graphic Enlarge", false},
        {"chartRestoreIcon", {288, 3, 25, 25}, "Graphic Restore", true},
        {"seriesComboBox", {176, 59, 65, 21}, "", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QWidget* w = child<QWidget>(r.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), chart);
        EXPECT_EQ(w->geometry(), r.bounds);
        EXPECT_EQ(w->toolTip(), r.hint);
        EXPECT_EQ(w->isHidden(), r.hidden);
        if (auto* b = qobject_cast<QToolButton*>(w)) {
            EXPECT_TRUE(b->isEnabled());
        }
    }
    EXPECT_TRUE(child<QCheckBox>("fillCheckBox")->isChecked());
    EXPECT_EQ(child<QCheckBox>("fillCheckBox")->text(), "Fill");
    EXPECT_EQ(child<QLineEdit>("pointsPerPageEdit")->text(), "100");
    EXPECT_EQ(pageCaption(), "1");
    auto* combo = child<QComboBox>("seriesComboBox");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "atile");
    EXPECT_EQ(combo->itemText(1), "btile");

    QStringList entries;
    for (QAction* a : chart->actions()) entries << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(entries.join(","), "First,Previous,Next,Last,-,New,Save,-,Fill");
    ASSERT_NE(action("fillAction"), nullptr);
    EXPECT_TRUE(action("fillAction")->isChecked());
}

TEST_F(TrendChartTest, FixedValueAxisAndNoLegend) {
    QValueAxis* y = chart->valueAxis();
    EXPECT_EQ(y->min(), -40000);
    EXPECT_EQ(y->max(), 40000);
    EXPECT_EQ(y->minorTickCount(), 4);
    EXPECT_EQ(y->linePen().style(), Qt::DashLine);
    EXPECT_EQ(y->linePen().color(), QColor(0, 64, 128));
    EXPECT_FALSE(chart->chart()->legend()->isVisible());
    fillTo(300);
    EXPECT_EQ(y->min(), -40000);  // data never moves it
    EXPECT_EQ(y->max(), 40000);
    chart->setValueAxis(-5000, 5000);
    EXPECT_EQ(y->min(), -5000);
    EXPECT_EQ(y->max(), 5000);
    EXPECT_EQ(chart->areaSeries()->brush().color(), QColor(255, 255, 128));
    EXPECT_EQ(chart->areaSeries()->pen().color(), QColor(0, 128, 255));
}

TEST_F(TrendChartTest, FillBoxMenuAndComboChooseOneActiveSeries) {
    fillTo(30);
    auto* fill = child<QCheckBox>("fillCheckBox");
    auto expectShown = [&](int index, const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(chart->activeSeries(), index);
        EXPECT_EQ(chart->areaSeries()->isVisible(), index == 0);
        EXPECT_EQ(chart->lineSeries()->isVisible(), index == 1);
        // The inactive series holds no points; the active one the page without placeholder.
        const qsizetype area = chart->areaSeries()->upperSeries()->count();
        const qsizetype line = chart->lineSeries()->count();
        EXPECT_EQ(index == 0 ? area : line, 29);
        EXPECT_EQ(index == 0 ? line : area, 0);
    };
    expectShown(0, "start");

    QTest::mouseClick(fill, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_FALSE(fill->isChecked());
    EXPECT_FALSE(action("fillAction")->isChecked());
    expectShown(1, "box unticked");

    action("fillAction")->trigger();
    EXPECT_TRUE(fill->isChecked());
    EXPECT_TRUE(action("fillAction")->isChecked());
    expectShown(0, "menu Fill");

    action("fillAction")->trigger();
    EXPECT_FALSE(fill->isChecked());
    EXPECT_FALSE(action("fillAction")->isChecked());
    expectShown(1, "menu Fill again");

    fill->setChecked(true);  // a change by program runs the handler too
    EXPECT_TRUE(action("fillAction")->isChecked());
    expectShown(0, "box ticked by program");

    chart->showSeries(1);
    expectShown(1, "combo btile");
    chart->showSeries(0);
    expectShown(0, "combo atile");
}

TEST_F(TrendChartTest, NewChartLooksEmptyAndNumbersTheNextReadingOne) {
    fillTo(150);
    chart->showSeries(1);
    chart->startNewChart();
    EXPECT_EQ(chart->shownPointCount(), 0);
    EXPECT_EQ(chart->activeSeries(), 0);  // Fill is ticked
    EXPECT_EQ(child<QComboBox>("seriesComboBox")->currentIndex(), 0);
    chart->appendPoint(1234.0);
    ASSERT_EQ(chart->shownPointCount(), 1);
    EXPECT_EQ(chart->areaSeries()->upperSeries()->at(0), QPointF(1, 1234));
}

TEST_F(TrendChartTest, PagingButtonsAndFollowing) {
    fillTo(100);
    EXPECT_EQ(pageCaption(), "1");
    fillTo(101);
    EXPECT_EQ(pageCaption(), "2");
    fillTo(250);
    QTest::mouseClick(child<QToolButton>("firstPageButton"), Qt::LeftButton);
    EXPECT_EQ(pageCaption(), "1");
    EXPECT_FALSE(child<QToolButton>("firstPageButton")->isEnabled());
    EXPECT_FALSE(action("previousPageAction")->isEnabled());
    fillTo(400);
    EXPECT_EQ(pageCaption(), "1");

    QTest::mouseClick(child<QToolButton>("lastPageButton"), Qt::LeftButton);
    EXPECT_EQ(pageCaption(), "4");
    EXPECT_FALSE(child<QToolButton>("nextPageButton")->isEnabled());
    EXPECT_FALSE(action("lastPageAction")->isEnabled());
    EXPECT_TRUE(action("firstPageAction")->isEnabled());
    // The last page holds 100 points of 400 (300..399) on an axis of a whole page.
    EXPECT_EQ(chart->shownPointCount(), 100);
    EXPECT_EQ(chart->pointAxis()->min(), 300);
    EXPECT_EQ(chart->pointAxis()->max(), 400);
    fillTo(420);
    EXPECT_EQ(pageCaption(), "5");
    EXPECT_EQ(chart->shownPointCount(), 20);
    EXPECT_EQ(chart->pointAxis()->min(), 400);
    EXPECT_EQ(chart->pointAxis()->max(), 500);
    const QPointF lastShown = chart->areaSeries()->upperSeries()->at(19);
    EXPECT_EQ(lastShown.x(), 419);
    EXPECT_EQ(lastShown.y(), chart->model().value(419));

    action("previousPageAction")->trigger();
    EXPECT_EQ(pageCaption(), "4");
    EXPECT_EQ(chart->areaSeries()->upperSeries()->at(0).x(), 300);
}

TEST_F(TrendChartTest, ManyReadingsAtOnceEndLikeOneByOne) {
    TrendChart single(&window);
    single.startNewChart();
    std::vector<double> values;
    for (int i = 0; i < 345; ++i) values.push_back(i * 3.0 - 500.0);
    for (double v : values) single.appendPoint(v);
    chart->appendPoints(values);
    EXPECT_EQ(chart->model().pointCount(), single.model().pointCount());
    EXPECT_EQ(chart->model().currentPage(), 4);
    EXPECT_EQ(pageCaption(), "4");
    ASSERT_EQ(chart->shownPointCount(), single.shownPointCount());
    for (int i = 0; i < chart->shownPointCount(); ++i) {
        EXPECT_EQ(chart->areaSeries()->upperSeries()->at(i),
                  single.areaSeries()->upperSeries()->at(i));
    }
}

TEST_F(TrendChartTest, ViewHoldsOnlyTheShownPage) {
    fillTo(5000);
    EXPECT_EQ(chart->shownPointCount(), 100);
    EXPECT_EQ(chart->lineSeries()->count(), 0);
    chart->toggleFill();
    EXPECT_EQ(chart->lineSeries()->count(), 100);
    EXPECT_EQ(chart->areaSeries()->upperSeries()->count(), 0);
}

TEST_F(TrendChartTest, PointsPerPageEdit) {
    fillTo(250);
    auto* edit = child<QLineEdit>("pointsPerPageEdit");
    QSignalSpy rejected(chart, &TrendChart::pointsPerPageRejected);
    edit->setText("300");
    EXPECT_EQ(chart->model().pointsPerPage(), 300);
    EXPECT_EQ(chart->model().currentPage(), 1);
    EXPECT_EQ(pageCaption(), "3");  // not updated by the edit
    EXPECT_EQ(chart->shownPointCount(), 249);

    edit->setText("0");
    EXPECT_EQ(chart->model().pageCount(), 1);
    EXPECT_EQ(chart->shownPointCount(), 249);
    EXPECT_TRUE(rejected.isEmpty());

    edit->setText("");
    ASSERT_EQ(rejected.size(), 1);
    EXPECT_EQ(rejected[0].at(0).toString(), "'' is not a valid integer value");
    EXPECT_EQ(chart->model().pointsPerPage(), 0);

    // Typing goes through the digit filter.
    edit->setFocus();
    QTest::keyClicks(edit, "5x0");
    EXPECT_EQ(edit->text(), "50");
    EXPECT_EQ(chart->model().pointsPerPage(), 50);
}

TEST_F(TrendChartTest, EnlargeAndRestore) {
    auto* fd = child<QWidget>("chartEnlargeIcon");
    auto* sx = child<QWidget>("chartRestoreIcon");
    QTest::mouseClick(fd, Qt::LeftButton);
    EXPECT_EQ(chart->geometry(), QRect(2, 28, 707, 453)) << "from the area it lives in, not the frame";
    EXPECT_TRUE(fd->isHidden());
    EXPECT_FALSE(sx->isHidden());
    QTest::mouseClick(sx, Qt::LeftButton);
    EXPECT_EQ(chart->geometry(), QRect(336, 172, 371, 309));
    EXPECT_FALSE(fd->isHidden());
    EXPECT_TRUE(sx->isHidden());
}

TEST_F(TrendChartTest, ChartPlacedNearTheTopEnlargesFirstAndComesBack) {
    chart->setGeometry(336, 10, 371, 309);
    chart->toggleEnlarged();
    EXPECT_EQ(chart->y(), 28);
    EXPECT_GT(chart->width(), 371);
    chart->toggleEnlarged();
    EXPECT_EQ(chart->geometry(), QRect(336, 10, 371, 309));
}

TEST_F(TrendChartTest, MouseWheelChangesNothing) {
    fillTo(250);
    chart->showFirstPage();
    const auto xRange = std::pair(chart->pointAxis()->min(), chart->pointAxis()->max());
    const auto yRange = std::pair(chart->valueAxis()->min(), chart->valueAxis()->max());
    const QPointF at(150, 150);
    for (int delta : {120, -120, 960}) {
        QWheelEvent wheel(at, chart->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart->viewport(), &wheel);
        EXPECT_TRUE(wheel.isAccepted());
    }
    EXPECT_EQ(chart->model().currentPage(), 1);
    EXPECT_EQ(std::pair(chart->pointAxis()->min(), chart->pointAxis()->max()), xRange);
    EXPECT_EQ(std::pair(chart->valueAxis()->min(), chart->valueAxis()->max()), yRange);
}

}  // namespace
}  // namespace dmm
