// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QMenu;
class QWidget;

namespace dmm {

class Dialogs;
class TrendChart;

// The chart's "Save": asks for a file name (a name without an extension gets ".bmp"), writes the
// chart's picture there and says where it went; a picture that cannot be written is an error,
// without the success message. Cancelling the dialog does nothing.
void saveChartPictureWithDialog(TrendChart& chart, Dialogs& dialogs);

// The "Graphic" menu: the chart's actions, in their order, under `parent`.
QMenu* makeGraphicMenu(TrendChart& chart, QWidget* parent);

}  // namespace dmm
