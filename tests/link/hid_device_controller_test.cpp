// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The HID device controller and its devices over the scripted backend.
#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "hid_device_controller.h"
#include "hid_test_support.h"

using namespace dmm;
using dmm::test::processQueuedEvents;
using dmm::test::waitFor;

namespace {

// Records every event of a controller, in order, as "arrival /dev/a", "removal /dev/a",
// "change", "enumerate /dev/a 0".
class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        controller = std::make_unique<HidDeviceController>(&backend);
        controller->setArrivalHandler(HidPlugEvent(
            [this](HidDevice* d) { events.push_back("arrival " + d->identity().devicePath); },
            &kArrival));
        controller->setRemovalHandler(HidPlugEvent(
            [this](HidDevice* d) {
                events.push_back("removal " + d->identity().devicePath);
                inEventDuringRemoval = d->inEvent();
            },
            &kRemoval));
        controller->setDeviceChangeHandler(
            HidNotifyEvent([this](HidDeviceController*) { events.push_back("change"); }, &kChange),
            true);
    }
    void TearDown() override {
        for (HidDevice* d : held) HidDevice::release(d);
        controller.reset();
    }

    // Runs the event loop until the backend's announcements so far have been reconciled: they
    // are queued on the loop, and the controller reconciles as it receives each.
    void handleAnnouncements() { ASSERT_TRUE(processQueuedEvents()); }
    std::vector<std::string> takeEvents() { return std::exchange(events, {}); }
    HidDevice* claim(int index) {
        HidDevice* d = controller->claimDevice(index);
        if (d) held.push_back(d);
        return d;
    }
    void release(HidDevice* d) {
        std::erase(held, d);
        HidDevice::release(d);
    }
    std::vector<std::string> listedPaths() const {
        std::vector<std::string> paths;
        for (int i = 0; i < controller->deviceCount(); ++i) {
            paths.push_back(controller->deviceAt(i)->identity().devicePath);
        }
        return paths;
    }

    static inline const char kArrival = 0, kRemoval = 0, kChange = 0, kData = 0, kError = 0;
    FakeHidBackend backend;
    std::unique_ptr<HidDeviceController> controller;
    std::vector<std::string> events;
    std::vector<HidDevice*> held;
    bool inEventDuringRemoval = false;
};

using Strings = std::vector<std::string>;

TEST_F(ControllerTest, FirstNotificationAlwaysFiresAndLaterOnesOnlyOnChange) {
    handleAnnouncements();
    EXPECT_EQ(takeEvents(), Strings{"change"}) << "the first one, with no device attached";
    backend.announceChange();
    handleAnnouncements();
    EXPECT_EQ(takeEvents(), Strings{}) << "nothing changed";

    backend.plug(fakeDevice("a"));
    backend.plug(fakeDevice("b"));
    handleAnnouncements();
    EXPECT_EQ(takeEvents(), (Strings{"arrival /dev/a", "arrival /dev/b", "change"}));
    const HidDevice* first = controller->deviceAt(0);
    backend.announceChange();
    handleAnnouncements();
    EXPECT_EQ(takeEvents(), Strings{});
    EXPECT_EQ(controller->deviceAt(0), first) << "a device still attached keeps its object";
}

TEST_F(ControllerTest, NotificationDuringReconciliationIsDropped) {
    handleAnnouncements();
    takeEvents();
    controller->setArrivalHandler(HidPlugEvent(
        [this](HidDevice* d) {
            events.push_back("arrival " + d->identity().devicePath);
            backend.plug(fakeDevice("late"), false);
            controller->deviceNodesChanged(0);  // nested: dropped
        },
        &kArrival));
    backend.plug(fakeDevice("a"));
    handleAnnouncements();
    EXPECT_EQ(takeEvents(), (Strings{"arrival /dev/a", "change"}));
    EXPECT_EQ(listedPaths(), Strings{"/dev/a"});
    controller->setArrivalHandler({});
    backend.announceChange();
    handleAnnouncements();
    EXPECT_EQ(listedPaths(), (Strings{"/dev/a", "/dev/late"})) << "the next notification finds it";
}

TEST_F(ControllerTest, ClaimedDeviceUnpluggedIsReportedUntilReleasedAndRePlugIsNewObject) {
    backend.plug(fakeDevice("a"), false);
    backend.plug(fakeDevice("b"), false);
    handleAnnouncements();
    takeEvents();
    HidDevice* a = claim(0);
    ASSERT_NE(a, nullptr);
    int unplugged = 0;
    a->setUnplugHandler(HidPlugEvent([&](HidDevice*) { ++unplugged; }, &kRemoval));

    backend.unplug("/dev/a");
    handleAnnouncements();
    EXPECT_EQ(takeEvents(), (Strings{"removal /dev/a", "change"}));
    EXPECT_TRUE(inEventDuringRemoval);
    EXPECT_FALSE(a->present());
    EXPECT_EQ(listedPaths(), (Strings{"/dev/a", "/dev/b"})) << "held, so still listed";
    backend.announceChange();
    handleAnnouncements();
    EXPECT_EQ(takeEvents(), (Strings{"removal /dev/a", "change"})) << "reported again";
    EXPECT_EQ(unplugged, 1) << "the unplug handler fires once";

    FakeHidBackend::Device again = fakeDevice("a");
    again.identity = "sys/a-again";
    backend.plug(again);
    handleAnnouncements();
    EXPECT_EQ(takeEvents(), (Strings{"removal /dev/a", "arrival /dev/a", "change"}));
    EXPECT_EQ(controller->deviceCount(), 3);
    EXPECT_NE(controller->deviceAt(2), a);

    release(a);
    EXPECT_EQ(controller->deviceCount(), 2) << "releasing a detached device removes it";
    backend.announceChange();
    handleAnnouncements();
    EXPECT_EQ(takeEvents(), Strings{});
}

TEST_F(ControllerTest, ReleaseOfAttachedDeviceLeavesUnclaimedReplacementAtSameIndex) {
    for (const char* n : {"a", "b", "c"}) backend.plug(fakeDevice(n), false);
    handleAnnouncements();
    HidDevice* b = claim(1);
    ASSERT_NE(b, nullptr);
    const HidDataEvent handler([](HidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {},
                               &kData);
    const HidPlugEvent unplug([](HidDevice*) {}, &kRemoval);
    b->setReadWaitSlice(250);
    b->setUnplugHandler(unplug);
    b->setDataHandler(handler);
    EXPECT_TRUE(b->reading());
    release(b);
    ASSERT_EQ(listedPaths(), (Strings{"/dev/a", "/dev/b", "/dev/c"}));
    HidDevice* replacement = controller->deviceAt(1);
    EXPECT_FALSE(replacement->claimed());
    EXPECT_FALSE(replacement->reading()) << "unclaimed devices are not read";
    EXPECT_EQ(replacement->readWaitSlice(), 250);
    EXPECT_TRUE(replacement->dataHandler() == handler);
    EXPECT_TRUE(replacement->unplugHandler() == unplug);
    EXPECT_EQ(backend.openConnections("/dev/b"), 0) << "the old reader has closed its handle";
}

TEST_F(ControllerTest, EnumerateClaimAndListRules) {
    FakeHidBackend::Device locked = fakeDevice("locked");
    locked.readWrite = false;
    FakeHidBackend::Device closed = fakeDevice("closed");
    closed.openable = false;
    FakeHidBackend::Device anonymous = fakeDevice("anonymous");
    anonymous.identifiable = false;
    for (const auto& d : {fakeDevice("a"), locked, closed, anonymous, fakeDevice("b")}) {
        backend.plug(d, false);
    }
    handleAnnouncements();
    EXPECT_EQ(listedPaths(), (Strings{"/dev/a", "/dev/locked", "/dev/b"}))
        << "devices that cannot be opened or identified are skipped";
    EXPECT_TRUE(controller->deviceAt(0)->hasReadWriteAccess());
    EXPECT_FALSE(controller->deviceAt(1)->hasReadWriteAccess());
    EXPECT_EQ(controller->deviceAt(1)->openError().code, static_cast<std::uint32_t>(EACCES));

    EXPECT_EQ(controller->enumerateDevices(), 1) << "without a handler the walk stops at once";
    Strings seen;
    controller->setEnumerateHandler(HidEnumerateEvent(
        [&](HidDevice* d, int i) {
            seen.push_back(d->identity().devicePath + " " + std::to_string(i));
            return i < 1;
        },
        &kData));
    EXPECT_EQ(controller->enumerateDevices(), 2);
    EXPECT_EQ(seen, (Strings{"/dev/a 0", "/dev/locked 1"}));

    for (int index : {-1, 3, 99}) EXPECT_EQ(controller->claimDevice(index), nullptr) << index;
    HidDevice* locked0 = claim(1);
    ASSERT_NE(locked0, nullptr);
    EXPECT_EQ(controller->claimDevice(1), nullptr) << "already claimed";
    locked0->setDataHandler(
        HidDataEvent([](HidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {}, &kData));
    EXPECT_FALSE(locked0->reading()) << "a device without read and write access is never read";

    backend.unplug("/dev/a");
    handleAnnouncements();
    seen.clear();
    controller->setEnumerateHandler(HidEnumerateEvent(
        [&](HidDevice* d, int i) {
            seen.push_back(d->identity().devicePath + " " + std::to_string(i));
            return true;
        },
        &kData));
    EXPECT_EQ(controller->enumerateDevices(), 2);
    EXPECT_EQ(seen, (Strings{"/dev/locked 0", "/dev/b 1"}));
}

TEST_F(ControllerTest, ReportsReachDataHandlerWithSizeWithoutReportId) {
    backend.plug(fakeDevice("a"), false);
    handleAnnouncements();
    HidDevice* a = claim(0);
    Strings got;
    a->setDataHandler(HidDataEvent(
        [&](HidDevice* d, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
            EXPECT_EQ(d, a);
            std::string s = std::to_string(id) + ":";
            for (int i = 0; i < size; ++i) s += std::to_string(data[i]) + ",";
            got.push_back(s);
        },
        &kData));
    backend.queueReport("/dev/a", {7});
    backend.queueReport("/dev/a", {});  // a read that completes with no bytes
    backend.queueReport("/dev/a", {0, 1, 2});
    backend.queueReport("/dev/a", {5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});  // longer than the buffer
    backend.queueReport("/dev/a", {9});  // read after all the others: their turn has passed
    ASSERT_TRUE(waitFor([&] { return got.size() >= 4; }));
    EXPECT_EQ(got, (Strings{"7:", "0:1,2,", "5:1,2,3,4,5,6,7,8,", "9:"}));
}

TEST_F(ControllerTest, WaitSliceLimitsAndControllerSetterRules) {
    backend.plug(fakeDevice("a"), false);
    backend.plug(fakeDevice("b"), false);
    handleAnnouncements();
    HidDevice* a = controller->deviceAt(0);
    struct Row {
        int value;
        int expected;
    } rows[] = {{9, 100}, {10, 10}, {10000, 10000}, {10001, 10000}, {-5, 10000}};
    for (const Row& r : rows) {
        a->setReadWaitSlice(r.value);
        EXPECT_EQ(a->readWaitSlice(), r.expected) << r.value;
    }
    a->setReadWaitSlice(100);

    // The controller's slice reaches the devices that still have its previous value.
    controller->deviceAt(1)->setReadWaitSlice(300);
    controller->setDeviceReadWaitSlice(50);
    EXPECT_EQ(a->readWaitSlice(), 50);
    EXPECT_EQ(controller->deviceAt(1)->readWaitSlice(), 300);
    controller->setDeviceReadWaitSlice(5);
    EXPECT_EQ(controller->deviceReadWaitSlice(), 5) << "stored without a check";
    EXPECT_EQ(a->readWaitSlice(), 50) << "the device ignores it";

    // A new data handler reaches the devices that still have the previous one.
    const HidDataEvent first([](HidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {},
                             &kData);
    const HidDataEvent own([](HidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {},
                           &kError);
    controller->setDeviceDataHandler(first);
    EXPECT_TRUE(a->dataHandler() == first);
    controller->deviceAt(1)->setDataHandler(own);
    controller->setDeviceDataHandler({});
    EXPECT_FALSE(a->dataHandler());
    EXPECT_TRUE(controller->deviceAt(1)->dataHandler() == own);
    EXPECT_EQ(controller->version(), "1.0.32");
    controller->setVersion("9");
    EXPECT_EQ(controller->version(), "1.0.32");
}

TEST_F(ControllerTest, SerialNumberRuleAndStringCaching) {
    struct Row {
        const char* name;
        std::u16string serial;
        std::optional<std::vector<std::uint16_t>> descriptor0;
        std::u16string expected;
    } rows[] = {
        {"takes a serial that differs within the descriptor", u"A123", std::vector<std::uint16_t>{0x0409, 0x0000}, u"A123"},
        {"drops a serial that is the language ID", u"\u0409", std::vector<std::uint16_t>{0x0409, 0x0000}, u""},
        {"descriptor unreadable: L is 0", u"A123", std::nullopt, u""},
        {"descriptor without terminator: L is its length", u"\u0409\u0407X", std::vector<std::uint16_t>{0x0409, 0x0407}, u""},
        {"two language IDs, second differs", u"\u0409B", std::vector<std::uint16_t>{0x0409, 0x0407, 0}, u"\u0409B"},
        {"no serial at all", u"", std::vector<std::uint16_t>{0x0409, 0}, u""},
    };
    for (const Row& r : rows) {
        FakeHidBackend::Device d = fakeDevice(r.name);
        d.serial = r.serial;
        d.descriptor0 = r.descriptor0;
        backend.plug(d, false);
    }
    FakeHidBackend::Device silent = fakeDevice("silent", u"");
    backend.plug(silent, false);
    handleAnnouncements();
    for (int i = 0; i < 6; ++i) {
        HidDevice* d = claim(i);
        EXPECT_EQ(d->serialString(), rows[i].expected) << rows[i].name;
    }
    HidDevice* s = claim(6);
    EXPECT_EQ(s->productString(), u"");
    EXPECT_EQ(controller->deviceAt(0)->productString(), u"USB to Serial");
    backend.unplug("/dev/" + std::string(rows[0].name), false);
    EXPECT_EQ(controller->deviceAt(0)->productString(), u"USB to Serial") << "cached once read";

    const std::uint8_t report[] = {0, 0x60, 9, 0, 0, 3, 0, 0, 0, 0};
    EXPECT_TRUE(controller->deviceAt(1)->sendFeatureReport(report, 10));
    EXPECT_EQ(backend.featureReports("/dev/" + std::string(rows[1].name)).size(), 1u);
    EXPECT_FALSE(controller->deviceAt(0)->sendFeatureReport(report, 10)) << "unplugged";
    FakeHidBackend::Device refusing = fakeDevice("refusing");
    refusing.acceptsFeatureReports = false;
    backend.plug(refusing);
    handleAnnouncements();
    EXPECT_FALSE(claim(controller->deviceCount() - 1)->sendFeatureReport(report, 10));
}

// The slice is the longest there is: a reader that tried again without its pause would report
// the failure again long before it ends, and the stop must not wait for it.
TEST_F(ControllerTest, UnpluggedReaderReportsOncePerSliceUntilStopped) {
    backend.plug(fakeDevice("a"), false);
    handleAnnouncements();
    HidDevice* a = claim(0);
    a->setReadWaitSlice(10000);
    std::vector<std::uint32_t> errors;
    a->setDataErrorHandler(HidDataErrorEvent([&](HidDevice*, std::uint32_t e) { errors.push_back(e); }, &kError));
    int reports = 0;
    a->setDataHandler(HidDataEvent(
        [&](HidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) { ++reports; }, &kData));
    backend.queueReport("/dev/a", {0, 1});
    ASSERT_TRUE(waitFor([&] { return reports == 1; }));
    backend.unplug("/dev/a", false);  // in the middle of the next read
    ASSERT_TRUE(waitFor([&] { return !errors.empty(); }));
    EXPECT_EQ(errors.front(), static_cast<std::uint32_t>(ENOENT));
    {
        const dmm::test::HangGuard guard("stopping a reader in its pause");
        a->setDataHandler({});
    }
    ASSERT_TRUE(processQueuedEvents());  // a wake-up still queued delivers nothing
    EXPECT_EQ(errors.size(), 1u) << "one failure per wait slice";
    // Released before the system announced the unplug: no replacement can be made.
    EXPECT_THROW(release(a), HidControllerError);
    EXPECT_EQ(controller->deviceCount(), 0);
}

TEST_F(ControllerTest, TearDownUnplugsClaimedDevicesWhichClaimantsReleaseLater) {
    backend.plug(fakeDevice("a"), false);
    backend.plug(fakeDevice("b"), false);
    handleAnnouncements();
    HidDevice* a = claim(0);
    a->setDataHandler(HidDataEvent([](HidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {}, &kData));
    int unplugged = 0;
    a->setUnplugHandler(HidPlugEvent([&](HidDevice*) { ++unplugged; }, &kRemoval));
    controller.reset();
    EXPECT_EQ(unplugged, 1);
    EXPECT_FALSE(a->present());
    EXPECT_EQ(a->controller(), nullptr);
    release(a);  // leaves no list to update, stops the reader
    EXPECT_EQ(backend.openConnections("/dev/a"), 0);
}

}  // namespace
