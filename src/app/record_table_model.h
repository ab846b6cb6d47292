// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractTableModel>

#include <array>

#include "record_table.h"

namespace dmm {

// How the grid shows each column of the record table: width in pixels, alignment, and whether
// the column is drawn in the glyph face (so that unit glyphs show as their symbols).
struct GridColumnLook {
    int width;
    Qt::Alignment alignment;
    bool glyphFace;
};

inline const std::array<GridColumnLook, kFieldCount> kGridColumnLooks = {{
    {53, Qt::AlignRight, false},
    {60, Qt::AlignHCenter, false},
    {44, Qt::AlignHCenter, false},
    {56, Qt::AlignRight, false},
    {35, Qt::AlignRight, true},
    {35, Qt::AlignHCenter, false},
}};

// The grid's read-only view of the record table: one column per field, titled with the field
// name. Times show in the locale's long time format; the Unit column shows glyph texts as the
// symbols they stand for, while the table itself keeps the glyph text.
class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordTableModel(const RecordTable* table, QObject* parent = nullptr);

    // The table changed underneath: rows were appended (announced as an insertion) or
    // removed or replaced (the view is reset).
    void sync();
    void setTable(const RecordTable* table);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const RecordTable* table_;
    int rows_ = 0;
};

// A time of day in the locale's long time format, without milliseconds.
QString longTimeText(int msSinceMidnight);

}  // namespace dmm
