// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// dmmcli and the USB cable, run as programs: cable reports from the simulator decoded, a simulated
// cable logged through the HID controller, and arguments that do not fit.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "wait_for.h"

namespace {

const QString kDmmcli = QStringLiteral(DMMCLI_PATH);

struct Result {
    int status = -1;
    QStringList out;
    QByteArray err;
};

Result run(const QStringList& args, int timeoutMs = dmm::test::kGenerousDeadlineMs) {
    QProcess p;
    p.start(kDmmcli, args);
    Result r;
    if (!p.waitForFinished(timeoutMs)) return r;
    r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.err = p.readAllStandardError();
    return r;
}

// The simulator's cable reports are what `decode --road usb` reads: every frame comes through.
TEST(DmmcliUsb, SimulatedCableReportsDecodeOnTheUsbRoad) {
    for (const char* family : {"kelt", "sorn"}) {
        SCOPED_TRACE(family);
        QTemporaryDir dir;
        const QString reports = dir.filePath(QStringLiteral("reports.txt"));
        const Result sim = run({"simulate", "--usb", "--family", family, "--rate", "0", "--frames",
                                "40", "--out", reports});
        ASSERT_EQ(sim.status, 0) << sim.err.toStdString();
        const Result dec = run({"decode", "--road", "usb", "--family", family, reports});
        EXPECT_EQ(dec.status, 0);
        EXPECT_EQ(dec.out.size(), 41);
        EXPECT_TRUE(dec.err.contains("decoded 40 frames, dropped 0")) << dec.err.toStdString();
    }
}

// record --usb --demo reads a simulated cable through the HID controller and its reader thread,
// prints the frames, and keeps them in the file of --out.
TEST(DmmcliUsb, RecordReadsASimulatedCableIntoTheOutputAndFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cable.txt"));
    const Result r = run({"record", "--usb", "--demo", "--duration", "1.6", "--out", file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    ASSERT_GE(r.out.size(), 3) << "a header and two frames at least";
    EXPECT_TRUE(r.out.front().startsWith("frame\tvalue_text"));
    EXPECT_TRUE(r.err.contains("reading the USB cable simulated-cable")) << r.err.toStdString();
    std::ifstream in(file.toStdString());
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    EXPECT_EQ(text.rfind("No\tTime\tDC/AC\tValue\tUnit\tAuto\r\n", 0), 0u) << text;
    EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 3);
}

TEST(DmmcliUsb, ArgumentsThatDoNotFitAreRefused) {
    struct Row {
        QStringList args;
        int status;
        const char* says;
    } rows[] = {
        {{"record", "--device", "/dev/hidraw0"}, 2, "--device goes with --usb"},
        {{"record", "--usb", "--device"}, 2, "--device needs PATH"},
        {{"record", "--usb", "--port", "/dev/ttyS0"}, 2, "not both"},
        {{"record", "--usb", "--family", "brio"}, 2, "no USB cable"},
        {{"record", "--usb", "--demo", "--device", "/dev/no-such-hid"}, 1, "no HID device /dev/no-such-hid"},
        {{"simulate", "--usb", "--pty"}, 2, "not to a pseudo-terminal"},
        {{"simulate", "--usb", "--family", "brio", "--out", "-"}, 2, "no USB cable"},
    };
    for (const Row& row : rows) {
        const Result r = run(row.args);
        EXPECT_EQ(r.status, row.status) << row.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(row.says)) << row.args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
}

}  // namespace
