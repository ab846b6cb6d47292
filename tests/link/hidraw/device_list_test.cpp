// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The window's USB device list over the system's backend: devices plugged in and pulled out
// after the start, noticed through udev, and the cable plugged in again as a new node.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QToolButton>

#include "emulated_system.h"
#include "hidraw_testbed.h"
#include "main_window.h"
#include "scripted_dialogs.h"
#include "wait_for.h"

using namespace dmm::test;

namespace {

QStringList lines(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
}

QString selected(const QListWidget& list) {
    const auto items = list.selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
}

TEST(EmulatedDeviceList, FollowsDevicesComingAndGoing) {
    SKIP_WITHOUT_UMOCKDEV();
    HidrawTestbed testbed;
    testbed.plug(keyboard("hidraw0"));
    ScriptedDialogs dialogs;
    dmm::MainWindow window(dmm::AppOptions{}, &dialogs);
    window.show();
    auto* list = window.findChild<QListWidget*>(QStringLiteral("cableDeviceList"));
    ASSERT_NE(list, nullptr);
    const QStringList keyboardOnly = {"USB Keyboard"};
    const QStringList both = {"USB Keyboard", "USB to Serial"};
    const auto shows = [&](const QStringList& expected, const QString& selection) {
        return waitFor([&] { return lines(*list) == expected && selected(*list) == selection; });
    };
    EXPECT_TRUE(shows(keyboardOnly, {})) << "another device is listed, not chosen";

    testbed.plug(unnumberedCable("hidraw1", 1));
    EXPECT_TRUE(shows(both, "USB to Serial")) << lines(*list).join('|').toStdString();

    testbed.unplug(unnumberedCable("hidraw1", 1));
    EXPECT_TRUE(shows(keyboardOnly, {})) << lines(*list).join('|').toStdString();

    // Plugged in again, the cable comes back as a new node, which is the one set up and read
    // (a node name is never added twice to one umockdev testbed).
    const EmulatedHidDevice again = unnumberedCable("hidraw2", 1);
    testbed.plug(again);
    ASSERT_TRUE(shows(both, "USB to Serial")) << lines(*list).join('|').toStdString();
    auto* usbConnect = window.findChild<QToolButton*>(QStringLiteral("usbConnectButton"));
    ASSERT_NE(usbConnect, nullptr);
    usbConnect->click();
    ASSERT_TRUE(waitFor([&] { return !testbed.featureReports().empty(); }));
    EXPECT_EQ(testbed.featureReports().back().devicePath, "/dev/hidraw2");
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.last().toStdString();
}

}  // namespace
