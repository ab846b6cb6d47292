// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

namespace dmm {

// The data file dialogs' filters, as the window's layout gives them: pairs of description and
// pattern separated by vertical bars.
inline constexpr const char* kSaveDataFilter =
    "Excel File(*.xls)|*.xls|XML(*.xml)|*.xml|Txt File(*.txt)|*.txt";
inline constexpr const char* kSaveDataDefaultExtension = "xls";
// "Exel" is the open dialog's own spelling, kept on purpose.
inline constexpr const char* kOpenDataFilter =
    "Exel File(*.xls)|*.xls|XML (*.xml)|*.xml|Txt File(*.txt)|*.txt";

// The same filter in the form a Qt file dialog takes ("Excel File(*.xls);;XML(*.xml);;...").
// A description that does not already end in its pattern gets it appended in parentheses.
QString qtFileFilter(const QString& barSeparated);

// The filter's patterns ("*.xls", "*.xml", ...), in order.
QStringList filterPatterns(const QString& barSeparated);

}  // namespace dmm
