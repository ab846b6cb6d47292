// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "port_name_table.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace dmm;

namespace {

// A /dev and a /sys/class/tty of our own making.
class PortNameTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dev.isValid());
        ASSERT_TRUE(sys.isValid());
    }
    void device(const QString& name) {
        QFile f(dev.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    void uartType(const QString& name, const char* type) {
        ASSERT_TRUE(QDir(sys.path()).mkpath(name));
        QFile f(sys.filePath(name + QStringLiteral("/type")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(type);
    }
    PortNameTable table() const { return PortNameTable(dev.path(), sys.path()); }
    QString path(const char* name) const { return dev.filePath(QLatin1String(name)); }

    QTemporaryDir dev;
    QTemporaryDir sys;
};

TEST_F(PortNameTableTest, CountsAdaptersThenModemsThenOnBoardPortsInNumericOrder) {
    for (const char* n : {"ttyS3", "ttyS1", "ttyS0", "ttyACM0", "ttyUSB10", "ttyUSB2", "ttyUSB",
                          "ttyUSBx", "tty0", "ttyS12"}) {
        device(QLatin1String(n));
    }
    uartType(QStringLiteral("ttyS0"), "4\n");
    uartType(QStringLiteral("ttyS1"), "0\n");  // a node without a UART behind it
    uartType(QStringLiteral("ttyS12"), "4\n");
    // ttyS3 has no sysfs entry at all: the node is taken as it is.

    const PortNameTable t = table();
    EXPECT_EQ(t.presentDevices(),
              (QStringList{path("ttyUSB2"), path("ttyUSB10"), path("ttyACM0"), path("ttyS0"),
                           path("ttyS3"), path("ttyS12")}));
    EXPECT_EQ(t.resolve(1), path("ttyUSB2"));
    EXPECT_EQ(t.resolve(2), path("ttyUSB10"));
    EXPECT_EQ(t.resolve(3), path("ttyACM0"));
    EXPECT_EQ(t.resolve(4), path("ttyS0"));
    EXPECT_EQ(t.resolve(0), QString());
    EXPECT_EQ(t.resolve(5), QString());
    EXPECT_EQ(t.describe(2), QStringLiteral("COM2: %1 (2nd serial device)").arg(path("ttyUSB10")));
}

TEST_F(PortNameTableTest, MappingsOverrideAndFewDevicesLeaveNamesUnresolved) {
    device(QStringLiteral("ttyUSB0"));
    PortNameTable t = table();
    EXPECT_EQ(t.resolve(1), path("ttyUSB0"));
    EXPECT_EQ(t.resolve(2), QString());
    EXPECT_EQ(t.describe(2), QStringLiteral("COM2: no serial device present (1 found)"));

    ASSERT_TRUE(t.addMapping(QStringLiteral("COM1=/dev/pts/7")));
    ASSERT_TRUE(t.addMapping(QStringLiteral("com2=/tmp/meter")));
    EXPECT_EQ(t.resolve(1), QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(t.resolve(2), QStringLiteral("/tmp/meter"));
    EXPECT_EQ(t.describe(1), QStringLiteral("COM1: /dev/pts/7"));
    t.map(1, QString());  // mapping removed: back to the device present
    EXPECT_EQ(t.resolve(1), path("ttyUSB0"));
}

TEST(PortNames, ParsesNamesAndMappings) {
    struct Row {
        const char* text;
        int port;  // 0: not a port name
    };
    for (const Row& r :
         {Row{"COM1", 1}, Row{"com4", 4}, Row{"Com2", 2}, Row{"COM5", 0}, Row{"COM0", 0},
          Row{"COM", 0}, Row{"port1Action", 0}, Row{"/dev/ttyS0", 0}, Row{" COM1", 0}}) {
        EXPECT_EQ(PortNameTable::parsePortName(QLatin1String(r.text)).value_or(0), r.port)
            << r.text;
    }
    for (const char* bad : {"COM1", "COM1=", "=/dev/x", "COM9=/dev/x", "/dev/ttyS0", "COMx=/a"}) {
        PortNameTable t;
        QString error;
        EXPECT_FALSE(t.addMapping(QLatin1String(bad), &error)) << bad;
        EXPECT_FALSE(PortNameTable::parseMapping(QLatin1String(bad))) << bad;
        EXPECT_TRUE(error.contains(QLatin1String("COMn=PATH"))) << bad;
    }
    // Which texts are meant as mappings (and so refused rather than taken for paths).
    for (const auto& [text, meant] : {std::pair{"COM9=/dev/x", true}, {"com1=/a", true},
                                      {"COM=/a", false}, {"/dev/COM1=x", false}}) {
        EXPECT_EQ(PortNameTable::looksLikeMapping(QLatin1String(text)), meant) << text;
    }
    PortNameTable t;
    EXPECT_TRUE(t.addMapping(QStringLiteral("COM3=/dev/a=b")));  // the path may hold "="
    EXPECT_EQ(t.mappedPath(3), QStringLiteral("/dev/a=b"));
}

}  // namespace
