// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record_table_model.h"

#include <QFont>

#include "lcd_view.h"
#include "grid_columns.h"
#include "long_time_format.h"
#include "record_table.h"

namespace dmm {

QString longTimeText(int ms) {
    // The same form the text data files use, so the grid and a saved file read alike.
    static const LongTimeFormat format = LongTimeFormat::fromLocale();
    return QString::fromStdString(format.format(ms));
}

RecordTableModel::RecordTableModel(const RecordTable* table, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      rows_(table ? static_cast<int>(table->size()) : 0) {}

void RecordTableModel::setTable(const RecordTable* table) {
    beginResetModel();
    table_ = table;
    rows_ = table_ ? static_cast<int>(table_->size()) : 0;
    endResetModel();
}

void RecordTableModel::sync() {
    const int now = table_ ? static_cast<int>(table_->size()) : 0;
    if (now > rows_) {
        beginInsertRows(QModelIndex(), rows_, now - 1);
        rows_ = now;
        endInsertRows();
    } else if (now != rows_) {
        beginResetModel();
        rows_ = now;
        endResetModel();
    }
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFieldCount;
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (!table_ || !index.isValid() || index.row() >= rows_ ||
        static_cast<std::size_t>(index.row()) >= table_->size() || index.column() >= kFieldCount) {
        return {};
    }
    const GridColumnLook& column = kGridColumnLooks[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole) return int(column.alignment | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    static const LongTimeFormat format = LongTimeFormat::fromLocale();
    const std::string text =
        gridCellText((*table_)[static_cast<std::size_t>(index.row())], index.column(), format);
    // Texts are held as UTF-8.
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    // The unit column is drawn in the glyph face: its glyph characters show as their symbols.
    return column.glyphFace ? unitSymbols(s) : s;
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical && role == Qt::DisplayRole) return QString();  // indicator only
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= kFieldCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const std::string_view title = kGridColumns[static_cast<std::size_t>(section)].title;
    return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

Qt::ItemFlags RecordTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable) : Qt::NoItemFlags;
}

}  // namespace dmm
