// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "serial_port_driver.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <termios.h>
#include <vector>

#include "frame_encoder.h"
#include "meter_core.h"
#include "port_name_table.h"
#include "pseudo_terminal.h"
#include "serial_device.h"

using namespace dmm;
using dmm::test::DeviceLink;
using dmm::test::waitFor;
using dmm::test::writeAll;

namespace {

// A driver set up as the main window's COMM2, on COM1 mapped to a fresh pseudo-terminal.
class SerialPortDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.open());
        names.map(1, pty.slavePath());
        driver.setPortNames(&names);
        driver.setPort(SerialPortDriver::PortNumber::Com1);
        driver.setBaudRate(SerialPortDriver::BaudRate::Baud2400);
    }

    // Collect every receiveHandler call.
    void listen() {
        driver.setReceiveHandler(
            [this](SerialPortDriver* sender, const void* data, std::int32_t size) {
                EXPECT_EQ(sender, &driver);
                blocks.emplace_back(static_cast<const char*>(data), static_cast<std::size_t>(size));
            });
    }
    // Poll by hand only: the timer of a long period never fires during a test.
    void manualPolling() { driver.setPollingDelay(60000); }

    // Writes bytes to the device and runs the loop until the port holds them all.
    void arrive(const std::string& bytes) { arriveFrom(pty, bytes); }
    void arriveFrom(PseudoTerminal& device, const std::string& bytes) {
        const qint64 before = driver.bytesWaiting();
        ASSERT_TRUE(writeAll(device, bytes));
        ASSERT_TRUE(waitFor([&] {
            return driver.bytesWaiting() >= before + static_cast<qint64>(bytes.size());
        }));
    }

    std::string received() const {
        std::string all;
        for (const auto& b : blocks) all += b;
        return all;
    }

    PseudoTerminal pty;
    QTemporaryDir noDevices;  // only the mappings name devices, whatever this machine has
    PortNameTable names{noDevices.path(), noDevices.path()};
    SerialPortDriver driver;
    std::vector<std::string> blocks;
};

TEST_F(SerialPortDriverTest, StartsWithThePublishedDefaults) {
    SerialPortDriver d;
    EXPECT_EQ(d.port(), SerialPortDriver::PortNumber::Com2);
    EXPECT_EQ(d.baudRate(), SerialPortDriver::BaudRate::Baud9600);
    EXPECT_EQ(d.dataBits(), SerialPortDriver::DataBits::Eight);
    EXPECT_EQ(d.stopBits(), SerialPortDriver::StopBits::One);
    EXPECT_EQ(d.parity(), SerialPortDriver::Parity::None);
    EXPECT_EQ(d.hardwareHandshake(), SerialPortDriver::HardwareHandshake::None);
    EXPECT_EQ(d.softwareHandshake(), SerialPortDriver::SoftwareHandshake::None);
    EXPECT_EQ(d.inputBufferSize(), 2048);
    EXPECT_EQ(d.outputBufferSize(), 2048);
    EXPECT_EQ(d.pollingDelay(), 50);
    EXPECT_TRUE(d.raisesDtrOnOpen());
    EXPECT_EQ(d.outputTimeout(), 4000);
    EXPECT_FALSE(d.receiveHandler());
    EXPECT_FALSE(d.isOpen());
    EXPECT_EQ(d.receiveBuffer().size(), 2048u);
    EXPECT_EQ(d.portName(), "COM2");
}

TEST_F(SerialPortDriverTest, BlocksReachTheHandlerThroughPollingWholeOrSplit) {
    listen();
    manualPolling();
    ASSERT_TRUE(driver.open());

    // A tick with nothing received raises nothing.
    driver.poll();
    EXPECT_TRUE(blocks.empty());

    // A tick after 7 bytes raises one event with the 7 bytes.
    arrive("\x0a" "123452");
    driver.poll();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], "\x0a" "123452");

    // The rest of a frame, split over two ticks, follows in order.
    arrive("12");
    driver.poll();
    arrive("1\x0d");
    driver.poll();
    driver.poll();  // idle again
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(received(), "\x0a" "123452121\x0d");
}

// Polls follow the bytes: an idle port schedules none, arriving bytes one, and bytes a lost
// device left behind are handed over by the poll that was due, at the period in force.
TEST_F(SerialPortDriverTest, PollsOnlyWhileBytesWait) {
    listen();
    ASSERT_TRUE(driver.open());
    ASSERT_TRUE(dmm::test::waitForTimerTicks(driver.pollingInterval(), 3));
    EXPECT_FALSE(driver.pollPending());
    EXPECT_TRUE(blocks.empty());

    ASSERT_TRUE(writeAll(pty, "first"));
    ASSERT_TRUE(waitFor([&] { return received() == "first"; }));
    EXPECT_FALSE(driver.pollPending());

    manualPolling();
    arrive("left");
    EXPECT_TRUE(driver.pollPending());
    pty.close();
    ASSERT_TRUE(waitFor([&] { return driver.deviceLost() && driver.nativeHandle() < 0; }));
    EXPECT_EQ(received(), "first");
    driver.setPollingDelay(50);
    ASSERT_TRUE(waitFor([&] { return received() == "firstleft"; }));
    EXPECT_FALSE(driver.pollPending());
}

TEST_F(SerialPortDriverTest, KeltStreamDecodesEndToEndOnTheTimer) {
    dmm::MeterCore core;
    std::size_t taken = 0;
    driver.setReceiveHandler([&](SerialPortDriver*, const void* data, std::int32_t size) {
        taken += static_cast<std::size_t>(size);
        core.receiveKeltBytes(data, size);
    });
    ASSERT_TRUE(driver.open());
    EXPECT_TRUE(driver.isPolling());
    EXPECT_EQ(driver.pollingInterval(), 50);

    std::string stream;
    for (int i = 0; i < 6; ++i) {
        dmm::MeterDisplay d{"0123" + std::to_string(i), 3, i % 2 == 1, false, "V", "DC", true};
        std::string frame;
        ASSERT_TRUE(dmm::encodeFrame(dmm::Family::Kelt, d, frame));
        stream += frame;
    }
    // Written in uneven pieces, each taken by a tick of its own, as a 2400 baud line delivers
    // them between ticks.
    for (std::size_t at = 0; at < stream.size(); at += 5) {
        const std::string piece = stream.substr(at, 5);
        ASSERT_TRUE(writeAll(pty, piece));
        ASSERT_TRUE(waitFor([&] { return taken == at + piece.size(); }));
    }
    ASSERT_TRUE(waitFor([&] { return core.counters().decoded == 6; }));
    EXPECT_EQ(core.counters().dropped(), 0u);
    EXPECT_EQ(core.reading().valueText, "-01.235");
    EXPECT_EQ(core.reading().value, -1235.0f);
}

TEST_F(SerialPortDriverTest, OpenPortOnAnOpenPortKeepsPortAndTimer) {
    ASSERT_TRUE(driver.open());
    const int handle = driver.nativeHandle();
    EXPECT_GE(handle, 0);
    EXPECT_TRUE(driver.open());
    EXPECT_EQ(driver.nativeHandle(), handle);
    EXPECT_TRUE(driver.isPolling());

    driver.close();
    EXPECT_FALSE(driver.isOpen());
    EXPECT_FALSE(driver.isPolling());
    driver.close();  // nothing when closed
    EXPECT_FALSE(driver.isOpen());
    EXPECT_TRUE(driver.open());  // and again
}

TEST_F(SerialPortDriverTest, ComPortAndBufferSizesAreTakenOnlyWhileClosed) {
    ASSERT_TRUE(driver.open());
    driver.setPort(SerialPortDriver::PortNumber::Com3);
    driver.setInputBufferSize(512);
    driver.setOutputBufferSize(100);
    EXPECT_EQ(driver.port(), SerialPortDriver::PortNumber::Com1);
    EXPECT_EQ(driver.inputBufferSize(), 2048);
    EXPECT_EQ(driver.receiveBuffer().size(), 2048u);
    EXPECT_EQ(driver.outputBufferSize(), 2048);

    driver.close();
    driver.setPort(SerialPortDriver::PortNumber::Com3);
    driver.setOutputBufferSize(100);
    EXPECT_EQ(driver.port(), SerialPortDriver::PortNumber::Com3);
    EXPECT_EQ(driver.portName(), "COM3");
    EXPECT_EQ(driver.outputBufferSize(), 100);

    // The next open takes the device COM3 stands for.
    EXPECT_FALSE(driver.open());
    EXPECT_TRUE(driver.lastError().startsWith(QLatin1String("COM3")));
    names.map(3, pty.slavePath());
    ASSERT_TRUE(driver.open());
    EXPECT_EQ(driver.portPath(), pty.slavePath());
    EXPECT_EQ(driver.lineSettings().outputQueue, 100);
}

TEST_F(SerialPortDriverTest, InputBufferSizeLimitsEachReadAndSetsTheXonLimit) {
    driver.setInputBufferSize(512);
    EXPECT_EQ(driver.receiveBuffer().size(), 512u);
    listen();
    manualPolling();
    ASSERT_TRUE(driver.open());
    EXPECT_EQ(driver.lineSettings().xonLimit, 128);
    EXPECT_EQ(driver.lineSettings().xoffLimit, 1);

    std::string bytes;
    for (int i = 0; i < 1300; ++i) bytes.push_back(static_cast<char>(i * 7));
    ASSERT_TRUE(writeAll(pty, bytes));
    EXPECT_TRUE(waitFor([&] {
        driver.poll();
        return received().size() >= bytes.size();
    }));
    ASSERT_GE(blocks.size(), 3u);
    for (const auto& b : blocks) {
        EXPECT_GE(b.size(), 1u);
        EXPECT_LE(b.size(), 512u);
    }
    EXPECT_EQ(received(), bytes);
}

TEST_F(SerialPortDriverTest, UnassignedHandlerMeansReceivedBytesAreDiscarded) {
    manualPolling();
    ASSERT_TRUE(driver.open());
    arrive("lost bytes");
    driver.poll();  // read, and no one to give them to
    EXPECT_EQ(driver.bytesWaiting(), 0);

    listen();
    driver.poll();
    EXPECT_TRUE(blocks.empty());
    arrive("kept");
    driver.poll();
    EXPECT_EQ(received(), "kept");
}

TEST_F(SerialPortDriverTest, HandlerMayReplaceItselfOrCloseThePortDuringItsCall) {
    manualPolling();
    ASSERT_TRUE(driver.open());
    std::string first, second;
    driver.setReceiveHandler([&](SerialPortDriver* d, const void* data, std::int32_t size) {
        first.assign(static_cast<const char*>(data), static_cast<std::size_t>(size));
        d->setReceiveHandler([&](SerialPortDriver* d2, const void* data2, std::int32_t size2) {
            second.assign(static_cast<const char*>(data2), static_cast<std::size_t>(size2));
            d2->close();  // the window's disconnect, while a block is being handled
        });
    });
    arrive("one");
    driver.poll();
    arrive("two");
    driver.poll();
    EXPECT_EQ(first, "one");
    EXPECT_EQ(second, "two");
    EXPECT_FALSE(driver.isOpen());
    driver.poll();  // a tick that was already due does nothing
    EXPECT_TRUE(driver.open());
}

TEST_F(SerialPortDriverTest, PortsThatCannotBeOpenedStayClosedWithAReason) {
    struct Row {
        const char* what;
        QString path;  // empty: COM4 with no device present
        const char* reasonHas;
    };
    QTemporaryDir emptyDev;
    PortNameTable nothingPresent(emptyDev.path(), emptyDev.path());
    const Row rows[] = {
        {"missing device", QStringLiteral("/dev/does-not-exist-ttyUSB9"), "does-not-exist-ttyUSB9"},
        {"not a serial device", emptyDev.path(), "COM1"},
        {"no device for the name", QString(), "no serial device present"},
    };
    for (const Row& row : rows) {
        SerialPortDriver d;
        PortNameTable table(emptyDev.path(), emptyDev.path());
        if (!row.path.isEmpty()) table.map(1, row.path);
        d.setPortNames(&table);
        d.setPort(SerialPortDriver::PortNumber::Com1);
        EXPECT_FALSE(d.open()) << row.what;
        EXPECT_FALSE(d.isOpen()) << row.what;
        EXPECT_FALSE(d.isPolling()) << row.what;
        EXPECT_TRUE(d.lastError().contains(QLatin1String(row.reasonHas)))
            << row.what << ": " << d.lastError().toStdString();
        d.close();
        EXPECT_FALSE(d.isOpen());
    }
}

TEST_F(SerialPortDriverTest, OpeningIsExclusive) {
    ASSERT_TRUE(driver.open());
    SerialPortDriver second;
    second.setPortNames(&names);
    second.setPort(SerialPortDriver::PortNumber::Com1);
    EXPECT_FALSE(second.open());
    EXPECT_FALSE(second.isOpen());
    EXPECT_FALSE(second.lastError().isEmpty());

    driver.close();
    EXPECT_TRUE(second.open());
}

TEST_F(SerialPortDriverTest, LineSettingsAreOnTheDevice) {
    ASSERT_TRUE(driver.open());
    termios tio{};
    ASSERT_EQ(tcgetattr(driver.nativeHandle(), &tio), 0);
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B2400));
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B2400));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & PARENB, 0u);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_NE(tio.c_cflag & CREAD, 0u);
    // Bytes pass untranslated: a carriage return stays a carriage return.
    EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & ICANON, 0u);
    EXPECT_TRUE(driver.lineSettings().dtrOn);
    EXPECT_FALSE(driver.lineSettings().rtsOn);

    // Settings given while open take effect at once.
    driver.setBaudRate(SerialPortDriver::BaudRate::Baud9600);
    driver.setParity(SerialPortDriver::Parity::Even);
    driver.setDataBits(SerialPortDriver::DataBits::Seven);
    driver.setStopBits(SerialPortDriver::StopBits::Two);
    ASSERT_EQ(tcgetattr(driver.nativeHandle(), &tio), 0);
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    // A pseudo-terminal keeps 8 data bits without parity whatever it is told: a refused
    // setting leaves the port open and working.
    EXPECT_EQ(driver.lineSettings().dataBits, 7);
    EXPECT_EQ(driver.lineSettings().parity, 'E');
    EXPECT_EQ(driver.lineSettings().stopBits, 20);
    EXPECT_TRUE(driver.isOpen());
    EXPECT_FALSE(driver.deviceLost());

    // Handshaking: hardware, then software, then none again.
    driver.setHardwareHandshake(SerialPortDriver::HardwareHandshake::RtsCts);
    ASSERT_EQ(tcgetattr(driver.nativeHandle(), &tio), 0);
    EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_TRUE(driver.lineSettings().rtsCts);
    driver.setHardwareHandshake(SerialPortDriver::HardwareHandshake::None);
    driver.setSoftwareHandshake(SerialPortDriver::SoftwareHandshake::XonXoff);
    ASSERT_EQ(tcgetattr(driver.nativeHandle(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    driver.setSoftwareHandshake(SerialPortDriver::SoftwareHandshake::None);
    ASSERT_EQ(tcgetattr(driver.nativeHandle(), &tio), 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(SerialPortDriverTest, PollingDelayChangeRestartsTheTimer) {
    driver.setPollingDelay(50);  // equal: nothing happens
    ASSERT_TRUE(driver.open());
    driver.setPollingDelay(20);
    EXPECT_TRUE(driver.isPolling());
    EXPECT_EQ(driver.pollingInterval(), 20);
    driver.close();
    driver.setPollingDelay(70);
    EXPECT_FALSE(driver.isPolling());
    ASSERT_TRUE(driver.open());
    EXPECT_EQ(driver.pollingInterval(), 70);
}

TEST_F(SerialPortDriverTest, DeviceThatVanishesAndComesBack) {
    listen();
    ASSERT_TRUE(driver.open());
    ASSERT_TRUE(writeAll(pty, "before"));
    ASSERT_TRUE(waitFor([&] { return received() == "before"; }));

    pty.close();  // the adapter is pulled out
    ASSERT_TRUE(waitFor([&] { return driver.deviceLost(); }));
    // The port no longer watches the dead device; polling goes on quietly and the port stays
    // open until closed.
    EXPECT_TRUE(waitFor([&] { return driver.nativeHandle() < 0; }));
    ASSERT_TRUE(dmm::test::waitForTimerTicks(driver.pollingInterval(), 3));
    EXPECT_TRUE(driver.isOpen());
    EXPECT_TRUE(driver.isPolling());
    EXPECT_FALSE(driver.lastError().isEmpty());
    EXPECT_EQ(received(), "before");

    // Plugged in again (the system may give it another name).
    PseudoTerminal back;
    ASSERT_TRUE(back.open());
    names.map(1, back.slavePath());
    driver.close();
    ASSERT_TRUE(driver.open());
    EXPECT_FALSE(driver.deviceLost());
    ASSERT_TRUE(writeAll(back, "after"));
    EXPECT_TRUE(waitFor([&] { return received() == "beforeafter"; }));
}

// A device pulled out and plugged in again at the same path (a link of the test's own, removed
// while the device is away): with reconnecting on, the driver reopens it by itself, with the line
// settings of the first open, and what the old device delivered comes first, also when the
// device is back before a poll has handed it over; without, the device stays lost.
TEST_F(SerialPortDriverTest, ReconnectingReopensTheSamePathWhenTheDeviceIsBack) {
    const struct Row {
        const char* name;
        bool reconnect;
        bool pollWhileAway;  // the old device's bytes are handed over before it is back
    } rows[] = {
        {"reconnecting", true, true},
        {"reconnecting, back before a poll", true, false},
        {"not reconnecting", false, true},
    };
    manualPolling();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeviceLink link;
        PseudoTerminal first;
        ASSERT_TRUE(first.open());
        ASSERT_TRUE(link.pointAt(first.slavePath()));
        names.map(1, link.path());
        blocks.clear();
        listen();
        driver.setReconnect(row.reconnect);
        driver.setParity(SerialPortDriver::Parity::Odd);
        ASSERT_TRUE(driver.open());
        EXPECT_EQ(driver.devicePath(), link.path());
        arriveFrom(first, "before");

        ASSERT_TRUE(link.remove());
        first.close();
        ASSERT_TRUE(waitFor([&] { return driver.deviceLost() && driver.nativeHandle() < 0; }));
        EXPECT_TRUE(driver.hasUndeliveredBytes());
        if (row.pollWhileAway) {
            driver.poll();
            EXPECT_EQ(received(), "before");
        }
        driver.reopenLostDevice();  // a tick while nothing is at the path
        EXPECT_TRUE(driver.deviceLost());

        PseudoTerminal back;
        ASSERT_TRUE(back.open());
        ASSERT_TRUE(link.pointAt(back.slavePath()));
        if (row.reconnect) {
            ASSERT_TRUE(waitFor([&] { return !driver.deviceLost(); }));
            EXPECT_TRUE(driver.lastError().isEmpty()) << driver.lastError().toStdString();
            EXPECT_EQ(driver.lineSettings().parity, 'O') << "the same settings";
            EXPECT_TRUE(back.readerAttached());
            ASSERT_TRUE(writeAll(back, "after"));
            EXPECT_TRUE(waitFor([&] {
                driver.poll();
                return received().find("after") != std::string::npos;
            }));
            EXPECT_EQ(received(), "beforeafter");
        } else {
            driver.reopenLostDevice();  // a tick, were the timer running, leaves the device alone
            EXPECT_TRUE(driver.deviceLost());
            EXPECT_FALSE(back.readerAttached());
            driver.poll();
            EXPECT_EQ(received(), "before");
        }
        driver.close();
        driver.setParity(SerialPortDriver::Parity::None);
    }
}

}  // namespace
