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
#include "link_test_support.h"
#include "meter_core.h"
#include "port_name_table.h"
#include "reading_script.h"
#include "serial_port_driver.h"

using namespace dmm;

namespace {


constexpr Family kFamilies[] = {Family::Kelt, Family::Sorn, Family::Brio};

bool sameDisplay(const dmm::MeterDisplay& a, const dmm::MeterDisplay& b) {
    return a.digits == b.digits && a.decimals == b.decimals && a.negative == b.negative &&
           a.overload == b.overload && a.unit == b.unit && a.coupling == b.coupling &&
           a.autoRange == b.autoRange;
}

// Two cycles of the script for each family: every reading goes through the family's decoder,
// and together they show what a bench session shows.
TEST(ReadingScript, EveryFamilyShowsEachSceneAndEveryFrameDecodes) {
    for (Family family : kFamilies) {
        SCOPED_TRACE(std::string(dmm::familyName(family)));
        dmm::ReadingScript script(family, 42);
        dmm::MeterCore core;
        std::set<std::string> scenes;
        bool negative = false, overload = false, ac = false, ohms = false, hertz = false;
        int rangeSteps = 0;
        dmm::MeterDisplay previous;
        for (int i = 0; i < 74; ++i) {
            const dmm::MeterDisplay d = script.next();
            scenes.insert(script.scene());
            std::string bytes;
            std::string error;
            ASSERT_TRUE(dmm::encodeFrame(family, d, bytes, &error)) << error;
            core.receiveBytes(family, bytes.data(), static_cast<std::int32_t>(bytes.size()));
            ASSERT_EQ(core.counters().decoded, static_cast<std::uint64_t>(i + 1));
            EXPECT_EQ(core.reading().valueText, dmm::displayValueText(family, d, "."));
            negative |= core.reading().valueText.starts_with("-");
            overload |=
                core.reading().valueText.ends_with("L") || core.reading().valueText.ends_with("L.");
            ac |= core.reading().couplingText == "AC";
            ohms |= core.reading().unitText == "k*";
            hertz |= core.reading().unitText.ends_with("Hz");
            // An autorange step: same unit, the point moved.
            if (i > 0 && d.unit == "V" && previous.unit == "V" && d.decimals != previous.decimals &&
                d.autoRange && previous.autoRange) {
                ++rangeSteps;
            }
            previous = d;
        }
        EXPECT_EQ(scenes.size(), 7u);
        EXPECT_TRUE(negative && overload && ac && ohms && hertz);
        EXPECT_GE(rangeSteps, 2);
        EXPECT_EQ(core.counters().dropped(), 0u);
    }
}

TEST(ReadingScript, SameSeedSameReadingsOtherSeedOtherReadings) {
    dmm::ReadingScript a(Family::Sorn, 5), b(Family::Sorn, 5), c(Family::Sorn, 6);
    int differ = 0;
    for (int i = 0; i < 40; ++i) {
        const dmm::MeterDisplay da = a.next(), db = b.next(), dc = c.next();
        EXPECT_TRUE(sameDisplay(da, db)) << i;
        differ += sameDisplay(da, dc) ? 0 : 1;
    }
    EXPECT_GT(differ, 10);
}

TEST(ReadingScript, FormatsInTheSmallestRangeThatHoldsTheValue) {
    using Q = dmm::ReadingScript::Quantity;
    struct Row {
        Family family;
        Q q;
        double value;
        int fixedRange;
        const char* text;
        const char* unit;
    };
    const Row rows[] = {
        {Family::Kelt, Q::Volts, 0.1234, -1, "123.40", "mV"},
        {Family::Kelt, Q::Volts, 3.99994, -1, "3.9999", "V"},
        {Family::Kelt, Q::Volts, 3.99996, -1, "04.000", "V"},  // rounds into the next range
        {Family::Sorn, Q::Volts, -12.345, -1, "-12.35", "V"},
        {Family::Brio, Q::Volts, 5000.0, -1, "0L", "V"},        // beyond the last range
        {Family::Sorn, Q::Volts, 5.0, 1, ".0L", "V"},           // beyond a range held by hand
        {Family::Brio, Q::Ohms, 10000.0, -1, "10.00", "k*"},
        {Family::Kelt, Q::Hertz, 50.0, -1, "050.00", "Hz"},
        {Family::Brio, Q::Hertz, 50.0, -1, "0.050", "kHz"},     // no hertz range on this family
    };
    for (const Row& r : rows) {
        dmm::ReadingScript script(r.family);
        const dmm::MeterDisplay d = script.format(r.q, r.value, "", r.fixedRange);
        EXPECT_EQ(dmm::displayValueText(r.family, d, "."), r.text) << r.value;
        EXPECT_EQ(d.unit, r.unit) << r.value;
        EXPECT_EQ(d.autoRange, r.fixedRange < 0) << r.value;
    }
}

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
        settle(200);
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
        ASSERT_TRUE(waitUntil([&] { return finished; }, 5000));
        ASSERT_TRUE(waitUntil([&] { return decoded.size() >= 12; }, 1000)) << decoded.size();
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
    ASSERT_TRUE(waitUntil([&] { return finished; }));
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
    ASSERT_TRUE(waitUntil([&] { return finished; }));
    ::close(fds[1]);
    EXPECT_FALSE(sim.isRunning());
    EXPECT_TRUE(sim.lastError().contains(QLatin1String("cannot write")));
    EXPECT_EQ(sim.framesWritten(), 0);
}

}  // namespace
