// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QApplication>

namespace dmm::test {

// The one QApplication of a widget test program, created on first use (the tests run under
// QT_QPA_PLATFORM=offscreen). It is never destroyed: at exit it would outlive Qt's own
// globals, which are torn down in an order that does not expect it.
inline QApplication& widgetApp() {
    static int argc = 1;
    static char name[] = "display_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace dmm::test
