// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractItemView>
#include <QAbstractScrollArea>

class QTableView;
class QTimer;
class QKeyEvent;

namespace dmm {

class RowWindowModel;
class RowWindowView;

// A read-only grid of a table model that may hold millions of rows and grows at the end while
// it is shown. It looks and behaves like a table view scrolling by whole rows (single-row
// selection, rows of one fixed height, the scroll bar over the whole table, keyboard and wheel
// navigation), but its inner table view only ever holds the few rows that fit on screen: a
// table view keeps per-row state in its row header and recomputes it for every appended row,
// so appending would cost time in proportion to the rows already there.
//
// Rows, the current index and the selection are given in the model's rows. The inner view,
// rowView(), draws the header and the cells; its fonts, delegate and row height are set on it.
class RecordGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit RecordGrid(QWidget* parent = nullptr);
    ~RecordGrid() override;

    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const { return source_; }

    // Makes the index the current one and selects its row, scrolling it into view, as a click
    // would; an invalid index clears both.
    void setCurrentIndex(const QModelIndex& index);
    QModelIndex currentIndex() const;
    // The selected row, or -1 (the selection may differ from the current row after a
    // Ctrl+click or Ctrl+Space).
    int selectedRow() const { return selectedRow_; }

    void setColumnWidth(int column, int width);
    int columnWidth(int column) const;
    QAbstractItemView::EditTriggers editTriggers() const;

    QTableView* rowView() const;

protected:
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int rowCount() const;
    int columnCount() const;
    int rowHeight() const;
    int lastScrollRow() const;
    void measureRows();
    void scrollToRow(int row);
    void ensureRowVisible(int row);
    void revealCurrent();
    void showWindow();
    void showMarks();
    // Repaints the column titles when a row became selected or none is any more.
    void showTitlesHighlight();
    void syncScrollBars();
    void setCurrentCell(int row, int column, bool select);
    bool navigate(const QKeyEvent& key);
    void onRowsInserted(int first, int last);
    void onSourceReset();
    void onViewCurrentChanged(const QModelIndex& current);
    void onViewSelectionChanged();
    void onViewScrolled(int value);
    // A drag past the top or bottom edge of the rows: follows the mouse's side of the edge.
    void followDrag(const QEvent& event);
    void onDragScrollTick();

    QAbstractItemModel* source_ = nullptr;
    RowWindowModel* window_ = nullptr;
    RowWindowView* view_ = nullptr;
    QList<QMetaObject::Connection> sourceConnections_;
    QTimer* dragScroll_ = nullptr;  // while a drag is held past an edge of the rows
    int dragStep_ = 0;              // -1 past the top edge, +1 past the bottom edge

    int scrollRow_ = 0;      // the scroll bar's value: the first row a table view would show
    int fullRows_ = 1;       // rows that fit whole in the view
    int partRows_ = 1;       // rows that fit at least in part
    int currentRow_ = -1;
    int currentColumn_ = 0;
    int selectedRow_ = -1;
    int drawnCurrentRow_ = -1;   // the marks as the inner view last drew them
    int drawnSelectedRow_ = -1;
    bool syncing_ = false;      // the grid itself is changing the inner view's rows or marks
    bool syncingBars_ = false;  // the grid itself is setting its scroll bars
    bool relayout_ = false;     // the inner view's height changed
    bool scrollOnShow_ = false;
    bool currentIndexSet_ = false;  // setCurrentIndex() called since the last reset
};

}  // namespace dmm
