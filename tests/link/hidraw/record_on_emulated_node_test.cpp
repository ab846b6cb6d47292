// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// `dmmcli record --usb` run by umockdev-run on an emulated hidraw node: the real listing,
// identification, open, set-up report, reader thread and hand-over, from device files made by
// emulated_hid_device.h.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "emulated_system.h"

using namespace dmm::test;

namespace {

struct Case {
    const char* name;
    EmulatedHidDevice device;
    QStringList options;  // after `record --usb`
    bool readOnly;        // the node cannot be opened for writing
    int status;           // 0: every frame of the script decoded, then stopped by SIGTERM
    const char* says;     // on standard error
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class RecordOnEmulatedNode : public ::testing::TestWithParam<Case> {};

bool writeFile(const QString& path, const std::string& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(text.data(), static_cast<qint64>(text.size())) ==
               static_cast<qint64>(text.size());
}

TEST_P(RecordOnEmulatedNode, FindsOpensAndReadsTheCable) {
    SKIP_WITHOUT_UMOCKDEV();
    const Case& c = GetParam();
    const SimulatedMeter& meter = simulatedMeter();
    QTemporaryDir dir;
    const QString description = dir.filePath(QStringLiteral("device.umockdev"));
    const QString ioctls = dir.filePath(QStringLiteral("node.ioctl"));
    const QString script = dir.filePath(QStringLiteral("reports.script"));
    ASSERT_TRUE(writeFile(description, deviceDescription(c.device)));
    ASSERT_TRUE(writeFile(ioctls, ioctlRecord(c.device)));
    ASSERT_TRUE(writeFile(script, readScript(nodeReports(c.device, meter.reports))));

    const QString node = QString::fromStdString(c.device.devicePath());
    QStringList args = {"-d", description, "-i", node + "=" + ioctls, "-s", node + "=" + script,
                        "--", QStringLiteral(RUN_ON_EMULATED_NODE),
                        QString::fromStdString(c.device.node)};
    if (c.readOnly) args << QStringLiteral("--read-only");
    // The duration only keeps a broken run from going on for ever.
    args << QStringLiteral(DMMCLI_PATH) << "record" << "--usb" << c.options << "--duration"
         << "30";
    Program record(QStringLiteral("umockdev-run"), args, true);

    if (c.status == 0) {
        ASSERT_TRUE(record.waitForLines(static_cast<int>(meter.decodedLines.size())))
            << record.error().toStdString();
        EXPECT_EQ(record.stop(), 0) << record.error().toStdString();
        EXPECT_EQ(record.lines(), meter.decodedLines) << "every frame, once, as decode has it";
        EXPECT_TRUE(record.error().contains(QStringLiteral("decoded %1 frames, dropped 0")
                                                .arg(meter.decodedLines.size() - 1)))
            << record.error().toStdString();
    } else {
        EXPECT_EQ(record.finish(), c.status) << record.error().toStdString();
        EXPECT_TRUE(record.lines().isEmpty());
    }
    EXPECT_TRUE(record.error().contains(QString::fromUtf8(c.says))) << record.error().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cables, RecordOnEmulatedNode,
    ::testing::Values(
        Case{"Unnumbered", unnumberedCable(), {}, false, 0, "reading the USB cable /dev/hidraw0"},
        Case{"Numbered", numberedCable(), {}, false, 0, "reading the USB cable /dev/hidraw0"},
        Case{"ChosenByPath", unnumberedCable(), {"--device", "/dev/hidraw0"}, false, 0,
             "reading the USB cable /dev/hidraw0"},
        Case{"AnotherProduct", keyboard("hidraw0"), {}, false, 1,
             "no USB cable is plugged in (a HID device whose product is \"USB to Serial\"); "
             "1 HID device(s) found"},
        Case{"NoWriteAccess", unnumberedCable(), {}, true, 1,
             "cannot open the USB cable /dev/hidraw0: Permission denied; install the udev rule "
             "for the cable (see \"USB cable\" in the README: "
             "/usr/lib/udev/rules.d/70-dmmview-usb-cable.rules)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
