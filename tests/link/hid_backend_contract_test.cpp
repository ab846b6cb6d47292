// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// What every HID backend promises: listing, identifying, opening for a query or for reading
// and writing, reading a report, sending a feature report, refusing a node that is not there.
#include "hid_backend_contract.h"

using namespace dmm;

namespace {

TEST_P(BackendContract, ListsOpensAndReads) {
    const std::vector<HidInterfaceInfo> listed = backend().attachedInterfaces();
    ASSERT_EQ(listed.size(), 1u) << "one interface, listed once";
    EXPECT_FALSE(listed.front().identity.empty());
    EXPECT_EQ(backend().attachedInterfaces().front().identity, listed.front().identity)
        << "the identity stays while the device stays";

    HidError error;
    auto query = backend().open(listed.front().path, HidAccess::QueryOnly, &error);
    ASSERT_NE(query, nullptr) << error.text;
    EXPECT_TRUE(query->attributes().has_value());
    EXPECT_EQ(query->productString().value_or(u""), u"USB to Serial");
    std::uint8_t buffer[64];
    EXPECT_EQ(query->readInputReport(buffer, sizeof buffer, 10), -1) << "query-only never reads";

    auto rw = backend().open(listed.front().path, HidAccess::ReadWrite, &error);
    ASSERT_NE(rw, nullptr) << error.text;
    EXPECT_TRUE(rw->attributes().has_value());
    EXPECT_EQ(rw->productString().value_or(u""), u"USB to Serial");
    const std::size_t length = rw->inputReportLength();
    ASSERT_EQ(length, subject_.waitingReport.size());
    const int n = rw->readInputReport(buffer, length, 5000);
    ASSERT_EQ(n, static_cast<int>(length)) << rw->lastError().text;
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + n), subject_.waitingReport);
    const std::uint8_t setup[10] = {0x00, 0x60, 0x09, 0x00, 0x00, 0x03};
    EXPECT_TRUE(rw->sendFeatureReport(setup, sizeof setup)) << rw->lastError().text;

    EXPECT_EQ(backend().open("/dev/no-such-hid-node", HidAccess::ReadWrite, &error), nullptr);
    EXPECT_NE(error.code, 0u);
    EXPECT_FALSE(error.text.empty());
}

}  // namespace
