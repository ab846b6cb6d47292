// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The record grid against a plain table view: the same records, the same user actions, the same
// outcome on screen; and a table far larger than the rows the grid keeps in its inner view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <functional>
#include <string>

#include "grid_cell_delegate.h"
#include "grid_columns.h"
#include "paint_counter.h"
#include "record_grid.h"
#include "record_table.h"
#include "record_table_model.h"
#include "wait_for.h"

namespace {

void appendRecords(dmm::RecordTable& table, int count) {
    for (int i = 0; i < count; ++i) {
        const int n = static_cast<int>(table.size()) + 1;
        const std::string value = std::to_string(10 + n % 7) + "." + std::to_string(100 + n % 900);
        dmm::RecordValues r;
        r.no = n;
        r.timeMs = n * 1000;
        r.text = {std::string_view("DC"), std::string_view(value), std::string_view("V"),
                  std::string_view("AUTO")};
        table.append(r);
    }
}

// The rows look as in the window: fonts, row height, cell painting, no row header.
void styleRows(QTableView* rows) {
    QFont titles(QStringLiteral("DejaVu Sans"));
    titles.setPixelSize(11);
    rows->horizontalHeader()->setFont(titles);
    rows->setTextElideMode(Qt::ElideNone);
    rows->setItemDelegate(new dmm::GridCellDelegate(rows));
    rows->verticalHeader()->setDefaultSectionSize(17);
    rows->verticalHeader()->hide();
}

// Handles the queued events, and those they queue in turn, and the views' delayed layouts (timers
// of no interval, started before a timer of the same started here): layouts, scrolls, repaints.
void handleQueuedEvents() {
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(dmm::test::processQueuedEvents());
        ASSERT_TRUE(dmm::test::waitForTimerTicks(0, 2));
    }
}

QWidget* widgetAt(QWidget* area, QPoint at) { return area->childAt(at); }

void click(QWidget* area, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* target = widgetAt(area, at);
    QTest::mouseClick(target, Qt::LeftButton, modifiers, target->mapFrom(area, at));
}

void turnWheel(QWidget* area, QPoint at, int delta) {
    QWidget* target = widgetAt(area, at);
    const QPoint local = target->mapFrom(area, at);
    QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

class RecordGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFont cells(QStringLiteral("DejaVu Sans"));
        cells.setPixelSize(12);
        top.setFont(cells);
        top.resize(680, 290);
        grid = new dmm::RecordGrid(&top);
        grid->setGeometry(0, 0, 334, 281);
        styleRows(grid->rowView());
        reference = new QTableView(&top);
        reference->setGeometry(340, 0, 334, 281);
        styleRows(reference);
        reference->setEditTriggers(QAbstractItemView::NoEditTriggers);
        reference->setSelectionBehavior(QAbstractItemView::SelectRows);
        reference->setSelectionMode(QAbstractItemView::SingleSelection);
        reference->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        grid->setModel(&model);
        reference->setModel(&model);
        for (std::size_t c = 0; c < dmm::kGridColumnLooks.size(); ++c) {
            grid->setColumnWidth(static_cast<int>(c), dmm::kGridColumnLooks[c].width);
            reference->setColumnWidth(static_cast<int>(c), dmm::kGridColumnLooks[c].width);
        }
        top.show();
        top.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&top, dmm::test::kGenerousDeadlineMs));
    }

    // Records arrive and each becomes the current one, as the window makes them.
    void follow(int count) {
        for (int i = 0; i < count; ++i) {
            appendRecords(table, 1);
            model.sync();
            const QModelIndex newest = model.index(model.rowCount() - 1, 0);
            grid->setCurrentIndex(newest);
            reference->setCurrentIndex(newest);
        }
    }

    // Both show the same: scroll bars, current cell, selected row, and the same pixels, both as
    // drawn afresh and as they stand on screen after the partial repaints.
    void expectSameAsTableView(const std::string& step) {
        SCOPED_TRACE(step);
        handleQueuedEvents();
        for (auto bars : {std::pair(grid->verticalScrollBar(), reference->verticalScrollBar()),
                          std::pair(grid->horizontalScrollBar(), reference->horizontalScrollBar())}) {
            EXPECT_EQ(bars.first->value(), bars.second->value());
            EXPECT_EQ(bars.first->maximum(), bars.second->maximum());
            EXPECT_EQ(bars.first->isVisible(), bars.second->isVisible());
        }
        EXPECT_EQ(grid->currentIndex(), reference->currentIndex());
        const QModelIndexList selected = reference->selectionModel()->selectedRows();
        EXPECT_EQ(grid->selectedRow(), selected.isEmpty() ? -1 : selected.first().row());
        EXPECT_TRUE(grid->grab().toImage() == reference->grab().toImage()) << "drawn afresh";
        QScreen* screen = top.screen();
        const QImage shown = screen->grabWindow(top.winId(), 0, 0, 334, 281).toImage();
        const QImage expected = screen->grabWindow(top.winId(), 340, 0, 334, 281).toImage();
        EXPECT_TRUE(shown == expected) << "on screen";
    }

    dmm::RecordTable table;
    dmm::RecordTableModel model{&table};
    QWidget top;
    dmm::RecordGrid* grid = nullptr;
    QTableView* reference = nullptr;
};

TEST_F(RecordGridTest, LooksAndBehavesAsATableView) {
    // Each action is done to both views; the model's changes once.
    using Act = std::function<void(QAbstractScrollArea* area, QWidget* keys)>;
    auto key = [](Qt::Key k, Qt::KeyboardModifiers m = {}) {
        return Act([=](QAbstractScrollArea*, QWidget* keys) { QTest::keyClick(keys, k, m); });
    };
    auto scrollTo = [](int value) {
        return Act([=](QAbstractScrollArea* area, QWidget*) { area->verticalScrollBar()->setValue(value); });
    };
    auto clickAt = [](QPoint at, Qt::KeyboardModifiers m = {}) {
        return Act([=](QAbstractScrollArea* area, QWidget*) { click(area, at, m); });
    };
    auto wheel = [](int delta, QPoint at = QPoint(100, 100)) {
        return Act([=](QAbstractScrollArea* area, QWidget*) { turnWheel(area, at, delta); });
    };
    // The focus arrives from elsewhere.
    auto focusAfter = [](int scrollValue) {
        return Act([=](QAbstractScrollArea* area, QWidget* keys) {
            area->verticalScrollBar()->setValue(scrollValue);
            if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
            keys->setFocus();
        });
    };
    auto widenValue = [](int width) {
        return Act([=](QAbstractScrollArea* area, QWidget*) {
            for (QHeaderView* h : area->findChildren<QHeaderView*>()) {
                if (h->orientation() == Qt::Horizontal) h->resizeSection(3, width);
            }
        });
    };
    struct Step {
        std::string name;
        int follow = 0;  // records that arrive first
        Act act;
        bool presses = false;  // the act presses a mouse button on a row
    };
    const Step steps[] = {
        {"empty", 0, {}},
        {"one record", 1, {}},
        {"rows fit", 13, {}},
        {"one row more than fits whole", 2, {}},
        {"following a long table", 40, {}},
        {"scrolled up", 0, scrollTo(10)},
        {"one short of the end", 0, [](QAbstractScrollArea* area, QWidget*) {
             area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum() - 1);
         }},
        {"a new record brings the end back", 1, {}},
        {"scrolled to a middle row", 0, scrollTo(5)},
        {"a press on the part-shown bottom row", 0, clickAt(QPoint(100, 276)), true},
        {"a click on a row", 0, clickAt(QPoint(100, 60)), true},
        {"Up", 0, key(Qt::Key_Up)},
        {"Down past the bottom", 0, [](QAbstractScrollArea*, QWidget* keys) {
             for (int i = 0; i < 15; ++i) QTest::keyClick(keys, Qt::Key_Down);
         }},
        {"Page Down", 0, key(Qt::Key_PageDown)},
        {"Page Up", 0, key(Qt::Key_PageUp)},
        {"Page Up again", 0, key(Qt::Key_PageUp)},
        {"Ctrl+End", 0, key(Qt::Key_End, Qt::ControlModifier)},
        {"Tab wraps to the first cell", 0, key(Qt::Key_Tab)},
        {"Backtab wraps to the last cell", 0, key(Qt::Key_Backtab, Qt::ShiftModifier)},
        {"Ctrl+Home", 0, key(Qt::Key_Home, Qt::ControlModifier)},
        {"End", 0, key(Qt::Key_End)},
        {"the wheel scrolls the current row away", 0, wheel(-240)},
        {"Left brings it back", 0, key(Qt::Key_Left)},
        {"Ctrl+click takes the selection away", 0, clickAt(QPoint(100, 30), Qt::ControlModifier),
         true},
        {"the titles lose their highlight with it", 0, wheel(-360)},
        {"Ctrl+Space selects again", 0, [](QAbstractScrollArea* area, QWidget* keys) {
             area->verticalScrollBar()->setValue(0);
             QTest::keyClick(keys, Qt::Key_Space, Qt::ControlModifier);
         }},
        {"the wheel over the column titles", 0, wheel(-120, QPoint(100, 8))},
        {"the focus while the current row is scrolled away", 0, focusAfter(20)},
        {"Ctrl+Space lets go of the row scrolled away", 0, key(Qt::Key_Space, Qt::ControlModifier)},
        {"Space selects it again", 0, key(Qt::Key_Space)},
        {"a wide column brings the sideways bar", 0, widenValue(220)},
        {"scrolled sideways", 0, [](QAbstractScrollArea* area, QWidget*) {
             area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
         }},
        {"wider still: the sideways page changes", 0, widenValue(260)},
        {"following with the sideways bar", 3, {}},
        {"the wheel at the end", 0, wheel(-120)},
        {"the column narrow again", 0, widenValue(56)},
    };
    for (const Step& step : steps) {
        if (step.follow > 0) follow(step.follow);
        if (step.act) {
            step.act(grid, grid->focusProxy());
            step.act(reference, reference);
            if (step.presses) {
                // A pressed row is scrolled into view once a double click is ruled out: by a
                // timer of the double-click interval and a little more, started with the press
                // in each view. Both have fired before the next step; left to the clock, they
                // would fire in some later step, in one view a little before the other.
                expectSameAsTableView(step.name + ", at once");
                ASSERT_TRUE(dmm::test::waitForTimerTicks(
                    QApplication::doubleClickInterval() + 100, 2));
            }
        }
        expectSameAsTableView(step.name);
    }

    // Ctrl+C copies the current cell, also when it is scrolled away.
    for (QAbstractScrollArea* area : {static_cast<QAbstractScrollArea*>(grid),
                                      static_cast<QAbstractScrollArea*>(reference)}) {
        area->verticalScrollBar()->setValue(0);
    }
    QTest::keyClick(grid->focusProxy(), Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(reference, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copied, QGuiApplication::clipboard()->text());
    EXPECT_EQ(copied, "60");
    expectSameAsTableView("Ctrl+C");

    // The model starts again: a shorter table loaded, then emptied.
    table.truncate(20);
    model.setTable(&table);
    expectSameAsTableView("a shorter table loaded");
    focusAfter(3)(grid, grid->focusProxy());
    focusAfter(3)(reference, reference);
    expectSameAsTableView("the focus with no current cell");
    table.truncate(18);
    model.setTable(&table);
    QTest::keyClick(grid->focusProxy(), Qt::Key_Down);
    QTest::keyClick(reference, Qt::Key_Down);
    expectSameAsTableView("Down with no current cell");
    table.clear();
    model.sync();
    expectSameAsTableView("emptied");
    follow(3);
    expectSameAsTableView("recording again");
}

// A drag held past the bottom or top edge of the rows moves the selected row on and scrolls
// along, as a table view's automatic scrolling does; it stops when the mouse comes back or the
// button is let go.
TEST_F(RecordGridTest, ADragPastAnEdgeScrollsAlong) {
    reference->setModel(nullptr);
    appendRecords(table, 200);
    model.sync();
    handleQueuedEvents();
    QWidget* rows = grid->rowView()->viewport();
    QScrollBar* bar = grid->verticalScrollBar();
    // A few ticks of the grid's slowest timer, the drag's among them: it has had its turns.
    int slowest = 1;
    for (const QTimer* t : grid->findChildren<QTimer*>()) {
        slowest = std::max(slowest, t->interval());
    }
    auto dragHadItsTurns = [&] { return dmm::test::waitForTimerTicks(slowest, 3); };

    QTest::mousePress(rows, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(rows, QPoint(10, rows->height() + 10));
    // Past the rows first shown (the move itself selects the first row below them).
    ASSERT_TRUE(dmm::test::waitFor([&] { return grid->selectedRow() > bar->pageStep() + 2; }));
    const int below = grid->selectedRow();
    EXPECT_EQ(grid->currentIndex().row(), below);
    EXPECT_EQ(bar->value(), below - bar->pageStep() + 1);  // the selected row is the last in view

    QTest::mouseMove(rows, QPoint(10, rows->height() / 2));  // back over the rows: it stops
    const int inside = grid->selectedRow();
    ASSERT_TRUE(dragHadItsTurns());
    EXPECT_EQ(grid->selectedRow(), inside);

    QTest::mouseMove(rows, QPoint(10, -10));
    ASSERT_TRUE(dmm::test::waitFor([&] { return grid->selectedRow() < inside - 2; }));
    EXPECT_EQ(bar->value(), grid->selectedRow());  // the selected row is the first in view
    QTest::mouseRelease(rows, Qt::LeftButton, {}, QPoint(10, -10));
    const int released = grid->selectedRow();
    ASSERT_TRUE(dragHadItsTurns());
    EXPECT_EQ(grid->selectedRow(), released);
}

TEST_F(RecordGridTest, AMillionRecordsAreShownThroughAFewRows) {
    // The reference view is left behind: it would spend seconds on every record.
    reference->setModel(nullptr);
    appendRecords(table, 1000000);
    model.sync();
    grid->setCurrentIndex(model.index(999999, 0));
    handleQueuedEvents();
    const QTableView* rows = grid->rowView();
    const QAbstractItemModel* held = rows->model();
    auto bottomNo = [&] { return rows->indexAt(QPoint(10, rows->viewport()->height() - 2)).data().toString(); };
    auto topNo = [&] { return rows->indexAt(QPoint(10, 2)).data().toString(); };
    QScrollBar* bar = grid->verticalScrollBar();
    EXPECT_LE(held->rowCount(), 17);
    EXPECT_EQ(bar->maximum(), 1000000 - bar->pageStep());
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bottomNo(), "1000000");

    follow(2);
    handleQueuedEvents();
    EXPECT_LE(held->rowCount(), 17);
    EXPECT_EQ(bottomNo(), "1000002");
    EXPECT_EQ(grid->currentIndex().row(), 1000001);

    bar->setValue(500000);
    handleQueuedEvents();
    EXPECT_EQ(topNo(), "500001");
    QTest::keyClick(grid->focusProxy(), Qt::Key_Home, Qt::ControlModifier);
    handleQueuedEvents();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(topNo(), "1");
    EXPECT_EQ(grid->currentIndex().row(), 0);
    QTest::keyClick(grid->focusProxy(), Qt::Key_End, Qt::ControlModifier);
    handleQueuedEvents();
    EXPECT_EQ(bottomNo(), "1000002");
    EXPECT_EQ(grid->selectedRow(), 1000001);
}

// A record appended and made current repaints the scroll bar only when it changes what the bar
// shows (in a short table the handle grows shorter with each record, in a long one it moves by
// less than a pixel), and never the column titles: they stay highlighted, whichever row is
// selected.
TEST_F(RecordGridTest, ARecordRepaintsTheScrollBarAndTitlesOnlyWhenTheyChange) {
    reference->setModel(nullptr);
    dmm::test::PaintCounter bar(grid->verticalScrollBar());
    dmm::test::PaintCounter titles(grid->rowView()->horizontalHeader()->viewport());
    for (const auto& [records, barRepainted] : {std::pair(20, true), {100000, false}}) {
        appendRecords(table, records - static_cast<int>(table.size()));
        model.sync();
        grid->setCurrentIndex(model.index(records - 1, 0));
        handleQueuedEvents();
        bar.reset();
        titles.reset();
        follow(1);
        handleQueuedEvents();
        EXPECT_EQ(bar.paints > 0, barRepainted) << records;
        EXPECT_EQ(titles.paints, 0) << records;
        EXPECT_EQ(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());
    }
}

}  // namespace
