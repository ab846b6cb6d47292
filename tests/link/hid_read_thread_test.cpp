// The reader's hand-over to the user-interface thread.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <vector>

#include "fake_hid_backend.h"
#include "hid_read_thread.h"
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

}  // namespace
