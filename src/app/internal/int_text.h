// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <stdexcept>

namespace dmm {

// A handler failure shown by the window's general error report: one message box with the
// text, the rest of the handler skipped.
class HandlerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The integer a control's text holds (parseIntegerText); anything that is not an integer throws
// HandlerError("'<text>' is not a valid integer value").
int integerFromText(const QString& text);

}  // namespace dmm
