// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The meter session's rules over a pseudo-terminal and scripted HID devices, its watchdogs driven
// by hand: the link watchdog, the cable's idle-report limit, the choice of the cable, one link at
// a time, and a lost serial device opened again.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include <string>
#include <vector>

#include "cable_reports.h"
#include "frame_encoder.h"
#include "hid_device_controller.h"
#include "hid_test_support.h"
#include "meter_session.h"
#include "pseudo_terminal.h"
#include "serial_device.h"
#include "serial_port_driver.h"

using namespace dmm;
using dmm::test::waitFor;
using dmm::test::writeAll;

namespace {

// The serial bytes of one Kelt frame showing `digits` volts with three decimals.
std::string keltFrame(const char* digits) {
    MeterDisplay d;
    d.digits = digits;
    d.decimals = 3;
    d.unit = "V";
    d.coupling = "DC";
    std::string bytes;
    EXPECT_TRUE(encodeFrame(Family::Kelt, d, bytes));
    return bytes;
}

class SessionTest : public ::testing::Test {
protected:
    // A session over the scripted devices plugged so far, once it has listed them.
    void watchDevices() {
        QSignalSpy listed(&session, &MeterSession::devicesListed);
        ASSERT_TRUE(session.watchHidDevices(&hid));
        ASSERT_TRUE(waitFor([&] { return listed.count() > 0; }));
    }
    void sendFrame(const std::string& path, const char* digits) {
        const std::string frame = keltFrame(digits);
        for (const CableReport& r : cableReports(cableFrameBytes(Family::Kelt, frame))) {
            hid.queueReport(path, r);
        }
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) session.tick();
    }

    FakeHidBackend hid;  // outlives the session that reads it
    MeterSession session;
};

TEST_F(SessionTest, TheLinkGoesDarkOnTheThirdTickWithoutAFrame) {
    QSignalSpy lit(&session, &MeterSession::linkLitChanged);
    const std::string frame = keltFrame("01234");
    const auto decode = [&] {
        session.core().receiveBytes(Family::Kelt, frame.data(), static_cast<int>(frame.size()));
    };
    decode();
    decode();  // the frame end of the second completes the first
    EXPECT_TRUE(session.linkLit());
    ticks(2);
    EXPECT_TRUE(session.linkLit());
    decode();  // a frame starts the count again
    ticks(2);
    EXPECT_TRUE(session.linkLit());
    ticks(1);
    EXPECT_FALSE(session.linkLit());
    ticks(6);
    decode();
    EXPECT_TRUE(session.linkLit());
    ASSERT_EQ(lit.count(), 3) << "said only when it changes";
    EXPECT_EQ(lit.at(1).at(0).toBool(), false);
}

// The cable answers but the meter behind it sends nothing: at the limit of idle reports, and not
// one report before it, the next dark tick drops the cable.
TEST_F(SessionTest, ASilentCableIsDroppedAtTheIdleReportLimitOnly) {
    hid.plug(fakeDevice("cable"), false);
    watchDevices();
    for (int idle : {MeterSession::kIdleReportLimit - 1, MeterSession::kIdleReportLimit}) {
        SCOPED_TRACE(idle);
        QSignalSpy silent(&session, &MeterSession::cableSilent);
        ASSERT_EQ(session.connectCable(true, Family::Kelt), CableCommand::Done);
        sendFrame("/dev/cable", "01234");  // ends with the first report without data
        ASSERT_TRUE(waitFor([&] { return session.core().idleReportCount() == 1; }));
        // The core counts the reports without data (the frame assembly's tests show how); the
        // count is taken to one short of `idle` and the last report comes through the reader.
        session.core().setIdleReportCount(idle - 1);
        hid.queueReport("/dev/cable", CableReport(9, 0));
        ASSERT_TRUE(waitFor([&] { return session.core().idleReportCount() == idle; }));
        EXPECT_TRUE(session.linkLit());
        ticks(3);
        EXPECT_FALSE(session.linkLit());
        const bool dropped = idle >= MeterSession::kIdleReportLimit;
        EXPECT_EQ(silent.count(), dropped ? 1 : 0);
        EXPECT_EQ(session.currentCable()->reading(), !dropped);
        EXPECT_EQ(session.cableLinkActive(), !dropped);
        EXPECT_EQ(session.core().idleReportCount(), dropped ? 0 : idle);
    }
}

TEST_F(SessionTest, TheLastCableIsChosenAndWhatGoesWrongIsSaid) {
    FakeHidBackend::Device locked = fakeDevice("locked");
    locked.readWrite = false;
    FakeHidBackend::Device numbered = fakeDevice("numbered");
    numbered.serial = u"A0001";
    numbered.descriptor0 = std::vector<std::uint16_t>{0x0409, 0};
    struct Row {
        const char* name;
        std::vector<FakeHidBackend::Device> devices;
        const char* devicePath;  // asked for by path; empty: the cable
        CableCommand result;
        const char* setUp;       // the device that got the set-up report
    } rows[] = {
        {"no device", {}, "", CableCommand::NoCable, ""},
        {"two cables: the later one", {fakeDevice("one"), fakeDevice("x", u"Mouse"),
                                       fakeDevice("two")}, "", CableCommand::Done, "/dev/two"},
        {"a cable with a serial number is not the cable", {numbered}, "", CableCommand::NoCable,
         ""},
        {"another product", {fakeDevice("x", u"USB to Serial 2")}, "", CableCommand::NoCable, ""},
        {"a cable the user may not open", {locked}, "", CableCommand::NoAccess, ""},
        {"by path", {fakeDevice("one"), fakeDevice("two")}, "/dev/one", CableCommand::Done,
         "/dev/one"},
        {"by a path nothing has", {fakeDevice("one")}, "/dev/none", CableCommand::NoCable, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        FakeHidBackend devices;
        for (const auto& d : r.devices) devices.plug(d, false);
        MeterSession cableSession;
        QSignalSpy listed(&cableSession, &MeterSession::devicesListed);
        cableSession.watchHidDevices(&devices);
        ASSERT_TRUE(waitFor([&] { return listed.count() > 0; }));
        EXPECT_EQ(cableSession.connectCableAt(QString::fromLatin1(r.devicePath), Family::Kelt),
                  r.result);
        EXPECT_EQ(cableSession.cableLinkActive(), r.result == CableCommand::Done);
        for (const auto& d : r.devices) {
            EXPECT_EQ(devices.featureReports(d.path).size(), d.path == r.setUp ? 1u : 0u)
                << d.path;
        }
        if (r.result == CableCommand::NoAccess) {
            EXPECT_EQ(cableSession.chosenDevicePath(), "/dev/locked");
            EXPECT_FALSE(cableSession.cableAccessProblem().isEmpty());
        }
    }
}

// A cable that goes away while it is read is said so: by the removal the system announces, or,
// where nothing announces it, by the read that can no longer be started.
TEST_F(SessionTest, ACableThatGoesAwayWhileReadIsSaidSo) {
    for (bool announced : {true, false}) {
        SCOPED_TRACE(announced ? "announced" : "not announced");
        FakeHidBackend devices;
        devices.plug(fakeDevice("cable"), false);
        MeterSession cableSession;
        cableSession.setRelistOnDeviceChange(false);
        QSignalSpy listed(&cableSession, &MeterSession::devicesListed);
        QSignalSpy gone(&cableSession, &MeterSession::cableUnplugged);
        QSignalSpy failed(&cableSession, &MeterSession::cableReadFailed);
        cableSession.watchHidDevices(&devices);
        ASSERT_TRUE(waitFor([&] { return listed.count() > 0; }));
        ASSERT_EQ(cableSession.connectCableAt({}, Family::Kelt), CableCommand::Done);
        devices.unplug("/dev/cable", announced);
        ASSERT_TRUE(waitFor([&] { return gone.count() + failed.count() > 0; }));
        EXPECT_EQ((announced ? gone : failed).at(0).at(0).toString(), "/dev/cable");
        EXPECT_EQ(listed.count(), 1) << "the list of a log is made once";
    }
}

// One link at a time: the cable's reading ends when the serial port opens, and the port closes
// when the cable is connected.
TEST_F(SessionTest, OneLinkAtATime) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.open());
    session.portNames().map(1, pty.slavePath());
    hid.plug(fakeDevice("cable"), false);
    watchDevices();
    QSignalSpy closed(&session, &MeterSession::serialPortClosed);

    ASSERT_TRUE(session.openSerialPort()) << session.serialError().toStdString();
    ASSERT_EQ(session.connectCable(true, Family::Kelt), CableCommand::Done);
    EXPECT_FALSE(session.serialPortOpen());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(session.currentCable()->reading());
    EXPECT_TRUE(session.linkDescription().startsWith("USB cable (/dev/cable)"));

    ASSERT_TRUE(session.openSerialPort());
    EXPECT_FALSE(session.currentCable()->reading());
    EXPECT_FALSE(session.cableLinkActive());
    EXPECT_TRUE(session.linkDescription().startsWith("COM1 (" + pty.slavePath() + ")"));
}

// The device behind the open port goes away and comes back at the same path (a link moved to a
// new pseudo-terminal): with reconnection it is opened again and its frames are decoded; without,
// it stays lost.
TEST_F(SessionTest, ALostSerialDeviceIsOpenedAgainWhenItComesBack) {
    for (bool reconnect : {true, false}) {
        SCOPED_TRACE(reconnect ? "reconnect" : "no reconnect");
        dmm::test::DeviceLink link;
        PseudoTerminal first;
        ASSERT_TRUE(first.open());
        ASSERT_TRUE(link.pointAt(first.slavePath()));
        MeterSession serial;
        serial.portNames().map(1, link.path());
        serial.setReconnect(reconnect);
        QSignalSpy lost(&serial, &MeterSession::serialDeviceLost);
        QSignalSpy back(&serial, &MeterSession::serialDeviceBack);
        ASSERT_TRUE(serial.openSerialPort()) << serial.serialError().toStdString();
        const auto decodesFrom = [&](PseudoTerminal& meter, std::uint64_t atLeast) {
            return waitFor([&] {
                writeAll(meter, keltFrame("01234"));
                return serial.core().counters().decoded >= atLeast;
            });
        };
        ASSERT_TRUE(decodesFrom(first, 2));

        ASSERT_TRUE(link.remove());
        first.close();
        ASSERT_TRUE(waitFor([&] {
            serial.tick();
            return lost.count() == 1;
        }));
        EXPECT_TRUE(lost.at(0).at(0).toString().contains("the device went away"));
        EXPECT_TRUE(serial.linkDescription().contains(
            "COM1 (" + link.path() + "): the device is gone; waiting for it to come back"));
        const std::uint64_t decoded = serial.core().counters().decoded;

        PseudoTerminal again;
        ASSERT_TRUE(again.open());
        ASSERT_TRUE(link.pointAt(again.slavePath()));
        if (reconnect) {
            ASSERT_TRUE(waitFor([&] {
                serial.tick();
                return back.count() == 1;
            }));
            ASSERT_TRUE(decodesFrom(again, decoded + 2));
            EXPECT_FALSE(serial.linkDescription().contains("gone"));
        } else {
            // The session would open the new device on its own only with reconnection; a tick
            // and a pass of the event loop later it is still lost and nobody reads it.
            serial.tick();
            QCoreApplication::processEvents();
            EXPECT_FALSE(again.readerAttached());
            EXPECT_EQ(back.count(), 0);
        }
        serial.closeSerialPort();
    }
}

}  // namespace
