// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStyledItemDelegate>

namespace dmm {

// Paints the record grid's cells as plain text in their alignment, with the selection
// highlight: the grid repaints rows with every reading, and the general item painting (icons,
// check boxes, rich text layout) costs several times more than this.
class GridCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace dmm
