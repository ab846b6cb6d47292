// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// `dmmcli record --usb` on a cable emulated by this process: the set-up report as the cable
// receives it, the reports read, and the cable pulled out while it is read, as udev announces
// it and as a program sees it where no udev daemon runs.
#include <gtest/gtest.h>

#include <optional>

#include "emulated_system.h"
#include "hidraw_testbed.h"

using namespace dmm::test;

namespace {

struct Unplug {
    const char* name;
    bool udevDaemon;
    const char* says;
};

void PrintTo(const Unplug& c, std::ostream* out) { *out << c.name; }

class CableUnplugged : public ::testing::TestWithParam<Unplug> {};

TEST_P(CableUnplugged, EndsTheRecordWithItsMessage) {
    SKIP_WITHOUT_UMOCKDEV();
    const Unplug& u = GetParam();
    const SimulatedMeter& meter = simulatedMeter();
    HidrawTestbed testbed;
    const EmulatedHidDevice cable = unnumberedCable();
    testbed.plug(cable);
    std::optional<NoUdevDaemon> noDaemon;
    if (!u.udevDaemon) noDaemon.emplace();

    Program record(QStringLiteral(DMMCLI_PATH), {"record", "--usb", "--duration", "30"});
    ASSERT_TRUE(record.waitForError(QStringLiteral("reading the USB cable /dev/hidraw0")))
        << record.error().toStdString();
    const std::vector<HidrawTestbed::FeatureReport> sent = testbed.featureReports();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].devicePath, "/dev/hidraw0");
    EXPECT_EQ(sent[0].bytes, (Bytes{0x00, 0x60, 0x09, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00}))
        << "report ID 0, 2400 baud, line setting 3";

    testbed.sendReports(cable, nodeReports(cable, meter.reports));
    ASSERT_TRUE(record.waitForLines(static_cast<int>(meter.decodedLines.size())));
    EXPECT_EQ(record.lines(), meter.decodedLines);

    if (u.udevDaemon) {
        testbed.unplug(cable);
    } else {
        testbed.breakNode(cable);
    }
    EXPECT_EQ(record.finish(), 1) << record.error().toStdString();
    EXPECT_TRUE(record.error().contains(QString::fromUtf8(u.says))) << record.error().toStdString();
    EXPECT_EQ(record.lines(), meter.decodedLines) << "nothing more after the unplug";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CableUnplugged,
    ::testing::Values(
        Unplug{"AnnouncedByUdev", true, "the USB cable (/dev/hidraw0) was unplugged"},
        Unplug{"ReadFailsWithoutUdevDaemon", false,
               "the USB cable (/dev/hidraw0) cannot be read: No such file or directory"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
