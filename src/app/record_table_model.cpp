#include "record_table_model.h"

#include <QFont>

#include "lcd_view.h"
#include "long_time_format.h"
#include "record_table.h"

namespace dmm {

QString longTimeText(int ms) {
    // The same form the text data files use, so the grid and a saved file read alike.
    static const LongTimeFormat format = LongTimeFormat::fromLocale();
    return QString::fromStdString(format.format(ms));
}

RecordTableModel::RecordTableModel(const RecordTable* table, QObject* parent)
    : QAbstractTableModel(parent), table_(table), rows_(table ? static_cast<int>(table->size()) : 0) {}

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
        static_cast<std::size_t>(index.row()) >= table_->size()) {
        return {};
    }
    const int col = index.column();
    if (role == Qt::TextAlignmentRole) {
        switch (col) {
        case kFieldNo:
        case kFieldValue:
        case kFieldUnit: return int(Qt::AlignRight | Qt::AlignVCenter);
        default: return int(Qt::AlignHCenter | Qt::AlignVCenter);
        }
    }
    if (role != Qt::DisplayRole) return {};
    const RecordTable::Row row = (*table_)[static_cast<std::size_t>(index.row())];
    switch (col) {
    case kFieldNo: {
        const auto no = row.no();
        return no ? QVariant(QString::number(*no)) : QVariant();
    }
    case kFieldTime: {
        const auto t = row.timeMs();
        return t ? QVariant(longTimeText(*t)) : QVariant();
    }
    default: {
        const auto text = row.text(col);
        if (!text) return {};
        const QString s = QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size()));
        return col == kFieldUnit ? unitSymbols(s) : s;
    }
    }
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical && role == Qt::DisplayRole) return QString();  // indicator only
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= kFieldCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const std::string_view name = kFields[static_cast<std::size_t>(section)].name;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

Qt::ItemFlags RecordTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable) : Qt::NoItemFlags;
}

}  // namespace dmm
