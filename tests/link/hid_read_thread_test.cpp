// The reader's hand-over to the user-interface thread, and the report descriptor walk.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <vector>

#include "fake_hid_backend.h"
#include "hid_read_thread.h"
#include "hid_report_descriptor.h"
#include "hid_test_support.h"

using namespace dmm;

namespace {

class BackendSource : public HidReadSource {
public:
    explicit BackendSource(FakeHidBackend& backend) : backend_(backend) {}
    std::unique_ptr<HidConnection> openForReading(HidError* error) override {
        return backend_.open("/dev/a", HidAccess::ReadWrite, error);
    }
    int readWaitSlice() const override { return slice; }
    bool takeReadCloseRequest() override { return false; }
    int slice = 20;

private:
    FakeHidBackend& backend_;
};

// A stop issued while a report waits for the user-interface thread carries the report out
// instead of deadlocking; done many times over so that every interleaving gets its turn.
TEST(HidReadThread, StopWithDeliveryPendingRunsItWithoutDeadlock) {
    FakeHidBackend backend;
    backend.plug(fakeDevice("a"), false);
    BackendSource source(backend);
    int delivered = 0;
    HidReadThread::Handlers handlers;
    handlers.data = [&](const std::uint8_t* report, std::size_t size) {
        ASSERT_EQ(size, 2u);
        EXPECT_EQ(report[1], 42);
        ++delivered;
    };
    constexpr int kRounds = 1000;
    int handedOver = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto reader = std::make_shared<HidReadThread>(source, 9, handlers);
        reader->start();
        backend.queueReport("/dev/a", {0, 42});
        // The report is taken; most rounds the reader has handed it over by now and waits.
        while (backend.queuedReports("/dev/a") != 0) std::this_thread::yield();
        if (round % 2) std::this_thread::sleep_for(std::chrono::microseconds(200));
        const int before = delivered;
        reader->stop();  // the event loop never ran: only stop() can deliver
        handedOver += delivered - before;
        EXPECT_LE(delivered - before, 1);
    }
    EXPECT_GT(handedOver, kRounds / 2) << "most stops met a pending delivery";
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, handedOver) << "a queued wake-up after stop() delivers nothing twice";
}

TEST(HidReadThread, ReportsArriveInOrderOneAtATimeAndStopAnswersWithinASlice) {
    FakeHidBackend backend;
    backend.plug(fakeDevice("a"), false);
    BackendSource source(backend);
    source.slice = 50;
    std::vector<int> got;
    bool inHandler = false;
    HidReadThread::Handlers handlers;
    handlers.data = [&](const std::uint8_t* report, std::size_t) {
        EXPECT_FALSE(inHandler);
        inHandler = true;
        got.push_back(report[1]);
        QCoreApplication::processEvents();  // a handler that spins the loop gets no second report
        inHandler = false;
    };
    auto reader = std::make_shared<HidReadThread>(source, 9, handlers);
    reader->start();
    for (int i = 0; i < 50; ++i) backend.queueReport("/dev/a", {0, static_cast<std::uint8_t>(i)});
    ASSERT_TRUE(waitUntil([&] { return got.size() == 50; }));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)], i);

    QElapsedTimer t;
    t.start();
    reader->stop();
    EXPECT_LT(t.elapsed(), 50 + 40) << "one wait slice, with room for a busy machine";
    EXPECT_FALSE(reader->running());
}

TEST(HidReportLayout, NumberingAndLongestInputReport) {
    using Bytes = std::vector<std::uint8_t>;
    struct Row {
        const char* name;
        Bytes descriptor;
        bool numbered;
        std::size_t length;
        bool wellFormed;
    } rows[] = {
        {"empty", {}, false, 0, true},
        // Usage page, usage, collection, 8 x 8-bit input, end collection.
        {"unnumbered 8 bytes", {0x06, 0xA0, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0xC0}, false, 9, true},
        {"outputs and features do not count", {0x75, 0x08, 0x95, 0x20, 0x91, 0x02, 0xB1, 0x02, 0x95, 0x04, 0x81, 0x02}, false, 5, true},
        {"numbered: longest report wins", {0x85, 0x01, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02, 0x85, 0x02, 0x95, 0x07, 0x81, 0x02, 0x85, 0x01, 0x95, 0x01, 0x81, 0x02}, true, 8, true},
        {"bits round up", {0x75, 0x01, 0x95, 0x03, 0x81, 0x02}, false, 2, true},
        {"push and pop restore size and count", {0x75, 0x08, 0x95, 0x02, 0xA4, 0x95, 0x10, 0xB4, 0x81, 0x02}, false, 3, true},
        {"long item skipped", {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, false, 2, true},
        {"four-byte data", {0x77, 0x08, 0x00, 0x00, 0x00, 0x97, 0x02, 0x00, 0x00, 0x00, 0x81, 0x02}, false, 3, true},
        {"truncated item", {0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0x96, 0x01}, false, 3, false},
        {"huge counts are capped", {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02}, false, (1u << 21) + 1, true},
        {"pop with empty stack", {0xB4, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, false, 2, true},
    };
    for (const Row& r : rows) {
        const HidReportLayout l = readReportLayout(r.descriptor.data(), r.descriptor.size());
        EXPECT_EQ(l.numbered, r.numbered) << r.name;
        EXPECT_EQ(l.inputReportLength, r.length) << r.name;
        EXPECT_EQ(l.wellFormed, r.wellFormed) << r.name;
    }
}

}  // namespace
