// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "meter_simulator.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "frame_encoder.h"
#include "meter_core.h"
#include "port_name_table.h"
#include "reading_script.h"
#include "serial_port_driver.h"
#include "wait_for.h"

using namespace dmm;
using dmm::test::waitFor;

namespace {

constexpr Family kFamilies[] = {Family::Kelt, Family::Sorn, Family::Brio};

// The simulator on a pseudo-terminal, read by the serial driver as a real meter would be.
TEST(MeterSimulator, SendsOnlyToAnOpenReaderAndStopsAfterItsFrames) {
    for (Family family : kFamilies) {
        SCOPED_TRACE(std::string(dmm::familyName(family)));
        MeterSimulator sim({family, 50.0, 12, 3});
        ASSERT_TRUE(sim.openPty()) << sim.lastError().toStdString();
        std::vector<dmm::MeterDisplay> sent;
        bool finished = false;
        QObject::connect(&sim, &MeterSimulator::frameWritten,
                         [&](qint64 n, const dmm::MeterDisplay& d) {
                             EXPECT_EQ(n, static_cast<qint64>(sent.size() + 1));
                             sent.push_back(d);
                         });
        QObject::connect(&sim, &MeterSimulator::finished, [&] { finished = true; });
        sim.start();
        // The simulator ticks every 20 ms at most on a pseudo-terminal: a few ticks of a timer
        // of that period started after it, and it has had its turns.
        ASSERT_TRUE(dmm::test::waitForTimerTicks(20, 4));
        EXPECT_EQ(sim.framesWritten(), 0);  // nobody listening yet
        EXPECT_FALSE(sim.readerAttached());

        // Every decoded frame's value text, several frames per block or not.
        struct Collector : dmm::PipelineSink {
            dmm::MeterCore* core = nullptr;
            std::vector<std::string> texts;
            void frameDone() override { texts.push_back(core->reading().valueText); }
        } collector;
        dmm::MeterCore core(&collector);
        collector.core = &core;
        std::vector<std::string>& decoded = collector.texts;
        PortNameTable names;
        names.map(1, sim.devicePath());
        SerialPortDriver driver;
        driver.setPortNames(&names);
        driver.setPort(SerialPortDriver::PortNumber::Com1);
        driver.setBaudRate(SerialPortDriver::BaudRate::Baud2400);
        driver.setReceiveHandler([&](SerialPortDriver*, const void* data, std::int32_t size) {
            core.receiveBytes(family, data, size);
        });
        ASSERT_TRUE(driver.open());
        ASSERT_TRUE(waitFor([&] { return finished; }));
        ASSERT_TRUE(waitFor([&] { return decoded.size() >= 12; })) << decoded.size();
        EXPECT_EQ(sim.framesWritten(), 12);
        ASSERT_EQ(sent.size(), 12u);
        for (std::size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(decoded[i], dmm::displayValueText(family, sent[i], ".")) << i;
        }
        EXPECT_EQ(core.counters().dropped(), 0u);
        EXPECT_TRUE(sim.lastError().isEmpty());
    }
}

TEST(MeterSimulator, WritesTheEncodedScriptToAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stream.bin"));
    MeterSimulator sim({Family::Brio, 0.0, 30, 9});
    ASSERT_TRUE(sim.openOutput(path));
    bool finished = false;
    QObject::connect(&sim, &MeterSimulator::finished, [&] { finished = true; });
    sim.start();
    ASSERT_TRUE(waitFor([&] { return finished; }));
    EXPECT_TRUE(sim.closeOutput());

    dmm::ReadingScript script(Family::Brio, 9);
    std::string expected;
    for (int i = 0; i < 30; ++i) {
        std::string frame;
        ASSERT_TRUE(dmm::encodeFrame(Family::Brio, script.next(), frame));
        expected += frame;
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), expected);
    EXPECT_EQ(sim.framesWritten(), 30);
}

TEST(MeterSimulator, AFailingOutputStopsItWithAReason) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);  // nobody reads the pipe
    std::signal(SIGPIPE, SIG_IGN);
    MeterSimulator sim({Family::Kelt, 0.0, -1, 1});
    sim.setOutputFd(fds[1]);
    bool finished = false;
    QObject::connect(&sim, &MeterSimulator::finished, [&] { finished = true; });
    sim.start();
    ASSERT_TRUE(waitFor([&] { return finished; }));
    ::close(fds[1]);
    EXPECT_FALSE(sim.isRunning());
    EXPECT_TRUE(sim.lastError().contains(QLatin1String("cannot write")));
    EXPECT_EQ(sim.framesWritten(), 0);
}

}  // namespace
