// What every HID backend promises, run on the scripted backend and on the system's hidraw
// devices (where this machine has any).
#include <gtest/gtest.h>

#include <QDir>

#include <memory>
#include <set>

#include "fake_hid_backend.h"
#include "hid_test_support.h"
#include "linux_hid_backend.h"

using namespace dmm;

namespace {

class BackendContract : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (std::string(GetParam()) == "linux") {
            backend_ = std::make_unique<LinuxHidBackend>();
        } else {
            auto fake = std::make_unique<FakeHidBackend>();
            fake->plug(fakeDevice("a"), false);
            fake->queueReport("/dev/a", {0, 0xF1, 0x37});
            backend_ = std::move(fake);
        }
    }
    std::unique_ptr<HidBackend> backend_;
};

TEST_P(BackendContract, ListsOpensAndReads) {
    const std::vector<HidInterfaceInfo> listed = backend_->attachedInterfaces();
    const bool systemHasHidraw =
        !QDir(QStringLiteral("/dev")).entryList({QStringLiteral("hidraw*")}, QDir::System).isEmpty();
    if (std::string(GetParam()) == "linux" && !systemHasHidraw) {
        EXPECT_TRUE(listed.empty()) << "no hidraw node, nothing listed";
        GTEST_SKIP() << "this machine has no hidraw device to open";
    }
    ASSERT_FALSE(listed.empty());
    std::set<std::string> paths;
    for (const HidInterfaceInfo& i : listed) {
        EXPECT_FALSE(i.identity.empty());
        EXPECT_TRUE(paths.insert(i.path).second) << "each interface listed once: " << i.path;
    }
    EXPECT_EQ(backend_->attachedInterfaces().front().identity, listed.front().identity)
        << "the identity stays while the device stays";

    HidError error;
    auto query = backend_->open(listed.front().path, HidAccess::QueryOnly, &error);
    ASSERT_NE(query, nullptr) << error.text;
    EXPECT_TRUE(query->attributes().has_value());
    std::uint8_t buffer[64];
    EXPECT_EQ(query->readInputReport(buffer, sizeof buffer, 10), -1) << "query-only never reads";

    auto rw = backend_->open(listed.front().path, HidAccess::ReadWrite, &error);
    if (!rw) GTEST_SKIP() << "no read-write access to " << listed.front().path << ": " << error.text;
    const std::size_t length = rw->inputReportLength();
    const int n = rw->readInputReport(buffer, sizeof buffer, 200);
    EXPECT_GE(n, 0) << rw->lastError().text;
    if (n > 0 && length > 0) {
        EXPECT_LE(static_cast<std::size_t>(n), length);
    }

    EXPECT_EQ(backend_->open("/dev/no-such-hid-node", HidAccess::ReadWrite, &error), nullptr);
    EXPECT_NE(error.code, 0u);
    EXPECT_FALSE(error.text.empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, BackendContract, ::testing::Values("fake", "linux"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
