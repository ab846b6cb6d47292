// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyleOptionSlider>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

namespace dmm {

// The rows [first, first + rows) of the grid's model, as a model of their own.
class RowWindowModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setSource(QAbstractItemModel* source) {
        beginResetModel();
        source_ = source;
        first_ = 0;
        rows_ = 0;
        endResetModel();
    }
    // Shows other rows: the row count changes as an insertion or a removal at the end, and
    // rows that now stand for other records are announced as changed.
    void setWindow(int first, int rows) {
        if (rows < rows_) {
            beginRemoveRows(QModelIndex(), rows, rows_ - 1);
            rows_ = rows;
            endRemoveRows();
        }
        const bool moved = first != first_;
        first_ = first;
        const int kept = rows_;
        if (rows > rows_) {
            beginInsertRows(QModelIndex(), rows_, rows - 1);
            rows_ = rows;
            endInsertRows();
        }
        if (moved && kept > 0) changed(0, kept - 1);
    }
    // Source rows from..to changed their data.
    void sourceChanged(int from, int to) {
        from = std::max(from, first_);
        to = std::min(to, first_ + rows_ - 1);
        if (from <= to) changed(from - first_, to - first_);
    }
    void sourceHeaderChanged(Qt::Orientation orientation, int first, int last) {
        if (orientation == Qt::Horizontal) emit headerDataChanged(orientation, first, last);
    }
    // Shows rows `first` on without announcing it: the caller moves the view's pixels with them.
    void moveQuietly(int first) { first_ = first; }
    int first() const { return first_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() || !source_ ? 0 : source_->columnCount();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        return source_ ? source_->index(first_ + index.row(), index.column()).data(role)
                       : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (!source_) return {};
        return source_->headerData(orientation == Qt::Vertical ? first_ + section : section,
                                   orientation, role);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return source_ ? source_->index(first_ + index.row(), index.column()).flags()
                       : Qt::NoItemFlags;
    }

private:
    void changed(int from, int to) {
        emit dataChanged(index(from, 0), index(to, std::max(0, columnCount() - 1)));
    }

    QAbstractItemModel* source_ = nullptr;
    int first_ = 0;
    int rows_ = 0;
};

// The table view inside the grid. It tells the grid when a change of its current index comes
// from a mouse press or from getting the focus, which a table view treats in its own ways.
class RowWindowView : public QTableView {
public:
    RowWindowView(std::function<void()> laidOut, QWidget* parent)
        : QTableView(parent), laidOut_(std::move(laidOut)) {}

    bool pressing() const { return pressing_; }
    bool focusing() const { return focusing_; }
    // Lays the rows out now rather than on the next pass of the event loop, so that the view's
    // own scroll range fits the rows and the height it has just been given.
    void layoutNow() {
        executeDelayedItemsLayout();
        updateGeometries();
    }
    // Typing does not jump to a row: such a search would read every record of the table.
    void keyboardSearch(const QString&) override {}

protected:
    void updateGeometries() override {
        QTableView::updateGeometries();
        laidOut_();
    }
    void mousePressEvent(QMouseEvent* event) override {
        pressing_ = true;
        QTableView::mousePressEvent(event);
        pressing_ = false;
    }
    void focusInEvent(QFocusEvent* event) override {
        focusing_ = true;
        QTableView::focusInEvent(event);
        focusing_ = false;
    }

private:
    std::function<void()> laidOut_;
    bool pressing_ = false;
    bool focusing_ = false;
};

// The column titles of the inner view. A table view draws them highlighted while any row is
// selected; the selected row may lie outside the rows the inner view holds.
class RowWindowHeader : public QHeaderView {
public:
    RowWindowHeader(const RecordGrid* grid, QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent), grid_(grid) {}

protected:
    // A selection moved to another row leaves the titles as they are: a view repaints all of
    // them for it. The grid repaints them when a row becomes selected or none is.
    void selectionChanged(const QItemSelection&, const QItemSelection&) override {}
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        // Sunken marks a pressed title, which is never highlighted.
        if (highlightSections() && grid_->selectedRow() >= 0 &&
            !(option->state & QStyle::State_Sunken)) {
            option->state |= QStyle::State_On;
        }
    }

private:
    const RecordGrid* grid_;
};

// The scroll bar over the whole table. Every record appended changes its range and its value,
// and a scroll bar repaints itself for each change, although in a long table the handle moves by
// less than a pixel: this one is repainted only when what it shows has changed (the handle's
// place and length, the ends it stands at) once the changes made together are all in.
class TableScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override {
        if (change == SliderOrientationChange) {
            QScrollBar::sliderChange(change);
            return;
        }
        if (lookPending_) return;
        lookPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                lookPending_ = false;
                if (look() != painted_) update();
            },
            Qt::QueuedConnection);
    }
    void paintEvent(QPaintEvent* event) override {
        painted_ = look();
        QScrollBar::paintEvent(event);
    }

private:
    struct Look {
        QRect handle;
        bool atMinimum = false;  // the arrows are drawn enabled only where the handle can go
        bool atMaximum = false;
        friend bool operator==(const Look&, const Look&) = default;
    };
    Look look() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        this),
                value() == minimum(), value() == maximum()};
    }

    Look painted_;
    bool lookPending_ = false;  // a look at the changes is queued
};

RecordGrid::RecordGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBar(new TableScrollBar(Qt::Vertical, this));
    window_ = new RowWindowModel(this);
    // A new layout of the columns may change the sideways page without a signal.
    view_ = new RowWindowView([this] { syncScrollBars(); }, viewport());
    auto* titles = new RowWindowHeader(this, view_);
    titles->setSectionsClickable(true);
    titles->setHighlightSections(true);
    view_->setHorizontalHeader(titles);
    view_->setFrameShape(QFrame::NoFrame);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // The grid scrolls the view itself, so that rows outside the view can be scrolled to.
    view_->setAutoScroll(false);
    view_->setModel(window_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->installEventFilter(this);
    view_->viewport()->installEventFilter(this);
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(view_);

    QItemSelectionModel* marks = view_->selectionModel();
    connect(marks, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onViewCurrentChanged(current); });
    connect(marks, &QItemSelectionModel::selectionChanged, this,
            [this] { onViewSelectionChanged(); });
    connect(view_, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        // As a table view does: a pressed row is scrolled into view once it is clear that the
        // press is not the start of a double click.
        const int row = window_->first() + index.row();
        QTimer::singleShot(QApplication::doubleClickInterval() + 100, this, [this, row] {
            if (row == currentRow_) revealCurrent();
        });
    });
    connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        // The inner view scrolled its few rows by itself: the grid scrolls as far instead.
        if (syncing_) return;
        scrollRow_ =
            std::clamp(scrollRow_ + value - (scrollRow_ - window_->first()), 0, lastScrollRow());
        showWindow();
    });
    // The inner view cannot scroll a drag past its few rows: the grid moves the selected row
    // on by one row per tick instead, as a table view's automatic scrolling does.
    dragScroll_ = new QTimer(this);
    dragScroll_->setInterval(50);
    connect(dragScroll_, &QTimer::timeout, this, [this] { onDragScrollTick(); });
    QScrollBar* across = view_->horizontalScrollBar();
    connect(across, &QScrollBar::rangeChanged, this, [this] { syncScrollBars(); });
    connect(across, &QScrollBar::valueChanged, this, [this] { syncScrollBars(); });
}

RecordGrid::~RecordGrid() = default;

QTableView* RecordGrid::rowView() const { return view_; }

void RecordGrid::setModel(QAbstractItemModel* model) {
    for (const auto& c : sourceConnections_) disconnect(c);
    sourceConnections_.clear();
    source_ = model;
    window_->setSource(model);
    scrollRow_ = 0;
    currentRow_ = -1;
    currentColumn_ = 0;
    selectedRow_ = -1;
    currentIndexSet_ = false;
    if (model) {
        auto reset = [this] { onSourceReset(); };
        auto columns = [this] {
            window_->setSource(source_);  // the inner view learns the new columns
            onSourceReset();
        };
        sourceConnections_ = {
            connect(
                model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) { onRowsInserted(first, last); }),
            connect(model, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex& from, const QModelIndex& to) {
                        window_->sourceChanged(from.row(), to.row());
                    }),
            connect(model, &QAbstractItemModel::headerDataChanged, window_,
                    &RowWindowModel::sourceHeaderChanged),
            connect(model, &QAbstractItemModel::modelReset, this, reset),
            connect(model, &QAbstractItemModel::layoutChanged, this, reset),
            connect(model, &QAbstractItemModel::rowsRemoved, this, reset),
            connect(model, &QAbstractItemModel::rowsMoved, this, reset),
            connect(model, &QAbstractItemModel::columnsInserted, this, columns),
            connect(model, &QAbstractItemModel::columnsRemoved, this, columns),
            connect(model, &QAbstractItemModel::columnsMoved, this, columns),
        };
    }
    showWindow();
}

void RecordGrid::setCurrentIndex(const QModelIndex& index) {
    currentIndexSet_ = true;
    if (!index.isValid() || index.model() != source_) {
        currentRow_ = -1;
        selectedRow_ = -1;
        showMarks();
        return;
    }
    setCurrentCell(index.row(), index.column(), true);
}

QModelIndex RecordGrid::currentIndex() const {
    return source_ && currentRow_ >= 0 ? source_->index(currentRow_, currentColumn_)
                                       : QModelIndex();
}

void RecordGrid::setColumnWidth(int column, int width) { view_->setColumnWidth(column, width); }
int RecordGrid::columnWidth(int column) const { return view_->columnWidth(column); }
QAbstractItemView::EditTriggers RecordGrid::editTriggers() const { return view_->editTriggers(); }

int RecordGrid::rowCount() const { return source_ ? source_->rowCount() : 0; }
int RecordGrid::columnCount() const { return source_ ? source_->columnCount() : 0; }
int RecordGrid::rowHeight() const {
    return std::max(1, view_->verticalHeader()->defaultSectionSize());
}
int RecordGrid::lastScrollRow() const { return std::max(0, rowCount() - fullRows_); }

void RecordGrid::measureRows() {
    const int height = view_->viewport()->height();
    fullRows_ = std::max(1, height / rowHeight());
    partRows_ = std::max(1, (height + rowHeight() - 1) / rowHeight());
    relayout_ = true;
    scrollRow_ = std::clamp(scrollRow_, 0, lastScrollRow());
    showWindow();
}

void RecordGrid::scrollToRow(int row) {
    row = std::clamp(row, 0, lastScrollRow());
    if (row == scrollRow_) return;
    scrollRow_ = row;
    showWindow();
}

void RecordGrid::ensureRowVisible(int row) {
    if (!isVisible()) {
        // Laid out only when shown; the row is scrolled to then, as a table view does.
        scrollOnShow_ = true;
        return;
    }
    if (row < scrollRow_) {
        scrollToRow(row);
    } else if (row > scrollRow_ + fullRows_ - 1) {
        scrollToRow(row - fullRows_ + 1);
    }
}

void RecordGrid::revealCurrent() {
    if (currentRow_ < 0) return;
    ensureRowVisible(currentRow_);
    // The row is whole in the view now; this only scrolls sideways to the current column.
    const int row = currentRow_ - window_->first();
    if (row >= 0 && row < window_->rowCount()) {
        syncing_ = true;
        view_->scrollTo(window_->index(row, currentColumn_));
        syncing_ = false;
    }
}

void RecordGrid::showWindow() {
    // Where a table view scrolling by rows would be: at the end of its range the last row
    // stands on the bottom edge (the top row only partly shown), anywhere else the row of the
    // scroll position stands on the top edge (the bottom row partly shown).
    const int total = rowCount();
    const int last = lastScrollRow();
    const bool atEnd = scrollRow_ == last && last > 0;
    const int first = atEnd ? std::max(0, total - partRows_) : scrollRow_;
    const int rows = std::clamp(total - first, 0, partRows_);
    syncing_ = true;
    const int shift = first - window_->first();
    QScrollBar* inner = view_->verticalScrollBar();
    const bool movePixels = rows == window_->rowCount() && !relayout_ && shift != 0 &&
                            std::abs(shift) < rows && view_->isVisible();
    if (movePixels) {
        // The rows still shown move by whole rows: their pixels move with them, as a table view
        // scrolls, and only the rows that come into view are drawn.
        window_->moveQuietly(first);
        view_->viewport()->scroll(0, -shift * rowHeight());
    } else {
        const bool resized = rows != window_->rowCount();
        window_->setWindow(first, rows);
        if (resized || relayout_) view_->layoutNow();
        relayout_ = false;
    }
    // The inner view's own range is the rows beyond those that fit whole: at its end it puts
    // the last row on the bottom edge, at 0 the first row on the top edge.
    inner->setValue(scrollRow_ - first);
    if (movePixels) {
        // The marks moved with the pixels; the rows they moved to are drawn again.
        for (int row : {drawnCurrentRow_, drawnSelectedRow_}) {
            if (row >= first && row < first + rows) {
                const QRect cell = view_->visualRect(window_->index(row - first, 0));
                view_->viewport()->update(0, cell.top(), view_->viewport()->width(), cell.height());
            }
        }
    }
    syncing_ = false;
    syncScrollBars();
    showMarks();
}

void RecordGrid::showMarks() {
    const int first = window_->first();
    const int rows = window_->rowCount();
    auto inWindow = [&](int row) { return row >= first && row < first + rows; };
    QItemSelectionModel* marks = view_->selectionModel();
    syncing_ = true;
    showTitlesHighlight();
    drawnCurrentRow_ = currentRow_;
    if (inWindow(selectedRow_)) {
        marks->select(window_->index(selectedRow_ - first, 0),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        marks->clearSelection();
    }
    marks->setCurrentIndex(
        inWindow(currentRow_) ? window_->index(currentRow_ - first, currentColumn_) : QModelIndex(),
        QItemSelectionModel::NoUpdate);
    syncing_ = false;
}

void RecordGrid::syncScrollBars() {
    syncingBars_ = true;
    QScrollBar* down = verticalScrollBar();
    down->setRange(0, lastScrollRow());
    down->setPageStep(std::clamp(rowCount(), 1, fullRows_));
    down->setSingleStep(1);
    down->setValue(scrollRow_);
    // The inner view works out the sideways range from its columns; the grid's bar shows it.
    const QScrollBar* inner = view_->horizontalScrollBar();
    QScrollBar* across = horizontalScrollBar();
    across->setRange(inner->minimum(), inner->maximum());
    across->setPageStep(inner->pageStep());
    across->setSingleStep(inner->singleStep());
    across->setValue(inner->value());
    syncingBars_ = false;
}

void RecordGrid::scrollContentsBy(int dx, int dy) {
    // The scroll bars moved: by the user, or by the grid itself (nothing more to do then).
    if (syncingBars_) return;
    if (dy != 0) scrollToRow(verticalScrollBar()->value());
    if (dx != 0) view_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
}

void RecordGrid::setCurrentCell(int row, int column, bool select) {
    currentRow_ = row;
    currentColumn_ = column;
    if (select) selectedRow_ = row;
    revealCurrent();
    showMarks();
}

bool RecordGrid::navigate(const QKeyEvent& key) {
    // The keys that act on the current cell, which may lie outside the rows the inner view
    // holds, handled as a table view handles them.
    const bool ctrl = key.modifiers() & Qt::ControlModifier;
    if (key.matches(QKeySequence::Copy)) {
        const QString text = currentIndex().data().toString();
        if (currentRow_ >= 0) QGuiApplication::clipboard()->setText(text);
        return true;
    }
    if (key.key() == Qt::Key_Space || key.key() == Qt::Key_Select) {
        // Selects the current row; with Ctrl a selected one is let go. Without a current row
        // the selection is cleared.
        selectedRow_ = ctrl && selectedRow_ == currentRow_ ? -1 : currentRow_;
        showMarks();
        return true;
    }
    // The keys that move the current cell, over every row.
    const int total = rowCount();
    const int columns = columnCount();
    if (total == 0 || columns == 0) return false;
    int row = currentRow_;
    int column = currentColumn_;
    const int height = rowHeight();
    const int viewHeight = view_->viewport()->height();
    switch (key.key()) {
    case Qt::Key_Up: row = std::max(0, row - 1); break;
    case Qt::Key_Down: row = std::min(total - 1, row + 1); break;
    case Qt::Key_Left: column = std::max(0, column - 1); break;
    case Qt::Key_Right: column = std::min(columns - 1, column + 1); break;
    case Qt::Key_Home:
        column = 0;
        if (ctrl) row = 0;
        break;
    case Qt::Key_End:
        column = columns - 1;
        if (ctrl) row = total - 1;
        break;
    case Qt::Key_PageDown: {
        // The row a view's height below the current row's top edge.
        const qint64 y = qint64(row) * height + viewHeight;
        row = int(std::min<qint64>(total - 1, y / height));
        break;
    }
    case Qt::Key_PageUp: {
        // The row a view's height above the current row's bottom edge.
        const qint64 y = qint64(row + 1) * height - 1 - viewHeight;
        row = y < 0 ? 0 : int(y / height);
        break;
    }
    case Qt::Key_Tab:
        if (++column == columns) {
            column = 0;
            row = row + 1 == total ? 0 : row + 1;
        }
        break;
    case Qt::Key_Backtab:
        if (--column < 0) {
            column = columns - 1;
            row = row == 0 ? total - 1 : row - 1;
        }
        break;
    default: return false;
    }
    if (currentRow_ < 0) {
        // Without a current cell every move starts at the first cell.
        row = 0;
        column = 0;
    }
    setCurrentCell(row, column, true);
    return true;
}

void RecordGrid::onRowsInserted(int first, int last) {
    const int count = last - first + 1;
    if (currentRow_ >= first) currentRow_ += count;
    if (selectedRow_ >= first) selectedRow_ += count;
    // Rows put in before the end move the ones shown.
    if (first < window_->first() + window_->rowCount())
        window_->sourceChanged(first, rowCount() - 1);
    showWindow();
}

void RecordGrid::onSourceReset() {
    // As a table view after a reset: nothing current or selected, the scroll position kept
    // where the rows still reach.
    currentRow_ = -1;
    currentColumn_ = 0;
    selectedRow_ = -1;
    currentIndexSet_ = false;
    scrollRow_ = std::clamp(scrollRow_, 0, lastScrollRow());
    window_->sourceChanged(0, rowCount() - 1);
    showWindow();
}

void RecordGrid::onViewCurrentChanged(const QModelIndex& current) {
    if (syncing_ || !current.isValid()) return;
    if (view_->focusing()) {
        // A view getting the focus makes the table's first cell current, without scrolling to
        // it, when no cell is current and none was made current since the last reset.
        if (currentRow_ < 0 && !currentIndexSet_) {
            currentRow_ = 0;
            currentColumn_ = 0;
        }
        showMarks();
        return;
    }
    currentRow_ = window_->first() + current.row();
    currentColumn_ = current.column();
    drawnCurrentRow_ = currentRow_;
    // A press scrolls its row into view a little later (see the pressed signal above).
    if (!view_->pressing()) revealCurrent();
}

void RecordGrid::onViewSelectionChanged() {
    if (syncing_) return;
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    selectedRow_ = rows.isEmpty() ? -1 : window_->first() + rows.first().row();
    showTitlesHighlight();
}

void RecordGrid::showTitlesHighlight() {
    // The titles are highlighted while a row is selected, whichever it is.
    if ((selectedRow_ >= 0) != (drawnSelectedRow_ >= 0)) {
        view_->horizontalHeader()->viewport()->update();
    }
    drawnSelectedRow_ = selectedRow_;
}

bool RecordGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) view_->setGeometry(viewport()->rect());
    return QAbstractScrollArea::viewportEvent(event);
}

bool RecordGrid::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == view_->viewport() || watched == view_) && event->type() == QEvent::Wheel) {
        // The wheel, over the rows or over the column titles, scrolls the whole table, not the
        // few rows the inner view holds.
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    if (watched == view_->viewport() && event->type() == QEvent::Resize) measureRows();
    if (watched == view_->viewport()) followDrag(*event);
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        return navigate(*static_cast<QKeyEvent*>(event));
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void RecordGrid::followDrag(const QEvent& event) {
    if (event.type() == QEvent::MouseButtonRelease) {
        dragScroll_->stop();
        return;
    }
    if (event.type() != QEvent::MouseMove) return;
    const auto& move = static_cast<const QMouseEvent&>(event);
    const int y = move.position().toPoint().y();
    const bool dragging = (move.buttons() & Qt::LeftButton) != 0;
    dragStep_ = !dragging ? 0 : y < 0 ? -1 : y >= view_->viewport()->height() ? 1 : 0;
    if (dragStep_ == 0) {
        dragScroll_->stop();
    } else if (!dragScroll_->isActive()) {
        onDragScrollTick();
        dragScroll_->start();
    }
}

void RecordGrid::onDragScrollTick() {
    const int total = rowCount();
    if (total == 0 || dragStep_ == 0) return;
    // The row just past the edge the mouse is beyond becomes current and selected, and is
    // scrolled into view.
    const int row = dragStep_ < 0 ? std::max(0, scrollRow_ - 1)
                                  : std::min(total - 1, scrollRow_ + fullRows_);
    setCurrentCell(row, std::max(currentColumn_, 0), true);
}

void RecordGrid::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    measureRows();
    if (scrollOnShow_) {
        scrollOnShow_ = false;
        revealCurrent();
    }
}

}  // namespace dmm
