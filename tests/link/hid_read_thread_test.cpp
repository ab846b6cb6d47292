// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The reader's hand-over to the user-interface thread.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "fake_hid_backend.h"
#include "hid_read_thread.h"
#include "hid_test_support.h"

using namespace dmm;
using dmm::test::waitFor;

namespace {

class BackendSource : public HidReadSource {
public:
    explicit BackendSource(FakeHidBackend& backend) : backend_(backend) {}
    std::unique_ptr<HidConnection> openForReading(HidError* error) override {
        return backend_.open("/dev/a", HidAccess::ReadWrite, error);
    }
    // Asked for by every read and by every pause.
    int readWaitSlice() const override {
        ++sliceAsked;
        return slice;
    }
    bool takeReadCloseRequest() override { return false; }
    int slice = 20;
    mutable std::atomic<int> sliceAsked{0};

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
        if (round % 2) {
            for (int turn = 0; turn < 100; ++turn) std::this_thread::yield();
        }
        const int before = delivered;
        reader->stop();  // the event loop never ran: only stop() can deliver
        handedOver += delivered - before;
        EXPECT_LE(delivered - before, 1);
    }
    EXPECT_GT(handedOver, 0) << "some stops met a pending delivery";
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, handedOver) << "a queued wake-up after stop() delivers nothing twice";
}

TEST(HidReadThread, ReportsArriveInOrderOneAtATime) {
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
    ASSERT_TRUE(waitFor([&] { return got.size() == 50; }));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)], i);
    reader->stop();
    EXPECT_FALSE(reader->running());
}

// A stop wakes the reader wherever it waits, however long its slice: in its pause after a
// failed open, and in a hand-over whose handler is the one that stops it. A stop that waited
// out the slice, or for the handler it is called from, would not return. A reader that is slow
// to wait for its hand-over sees the stop before it waits: each row runs several rounds.
TEST(HidReadThread, StopWakesTheReaderWhereverItWaits) {
    enum class StoppedBy { Test, DataHandler, ErrorHandler };
    const struct Row {
        const char* name;
        bool deviceThere;  // false: every open fails
        StoppedBy stoppedBy;
    } rows[] = {
        {"the test, while the reader pauses after a failed open", false, StoppedBy::Test},
        {"the handler of a report", true, StoppedBy::DataHandler},
        {"the handler of a failed open", false, StoppedBy::ErrorHandler},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (int round = 0; round < 20; ++round) {
            FakeHidBackend backend;
            if (row.deviceThere) backend.plug(fakeDevice("a"), false);
            BackendSource source(backend);
            source.slice = 3600 * 1000;
            std::shared_ptr<HidReadThread> reader;
            int deliveries = 0;
            bool stopReturned = false;
            auto delivered = [&](StoppedBy by) {
                ++deliveries;
                if (by != row.stoppedBy) return;
                reader->stop();
                stopReturned = true;
            };
            HidReadThread::Handlers handlers;
            handlers.data = [&](const std::uint8_t*, std::size_t) {
                delivered(StoppedBy::DataHandler);
            };
            handlers.error = [&](std::uint32_t) { delivered(StoppedBy::ErrorHandler); };
            reader = std::make_shared<HidReadThread>(source, 9, handlers);
            const dmm::test::HangGuard guard(std::string("a stop by ") + row.name);
            reader->start();
            if (row.deviceThere) backend.queueReport("/dev/a", {0, 1});
            ASSERT_TRUE(waitFor([&] { return deliveries == 1; }));
            if (row.stoppedBy == StoppedBy::Test) {
                // The reader asks for the slice with its mailbox locked, and unlocks it by waiting.
                ASSERT_TRUE(waitFor([&] { return source.sliceAsked > 0; }));
                reader->stop();
            } else {
                EXPECT_TRUE(stopReturned);
            }
            EXPECT_FALSE(reader->running());
            EXPECT_EQ(deliveries, 1);
        }
    }
}

}  // namespace
