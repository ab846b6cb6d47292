// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "int_text.h"

#include "integer_text.h"

namespace dmm {

int integerFromText(const QString& text) {
    const std::string bytes = text.toStdString();
    if (const auto value = parseIntegerText(bytes)) return *value;
    throw HandlerError(notAnIntegerMessage(bytes));
}

}  // namespace dmm
