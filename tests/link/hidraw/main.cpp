// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The system's HID backend, and the programs over it, among emulated devices.
#include <QApplication>

#include <gtest/gtest.h>

#include "emulated_system.h"

int main(int argc, char** argv) {
    dmm::test::enterEmulatedSystem(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
