// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The scripted backend under the HID backend contract.
#include "hid_backend_contract.h"
#include "hid_test_support.h"

namespace {

ContractSubject scriptedBackend() {
    auto fake = std::make_shared<dmm::FakeHidBackend>();
    fake->plug(fakeDevice("a"), false);
    const std::vector<std::uint8_t> report = {0, 0xF1, 0x37, 0, 0, 0, 0, 0, 0};
    fake->queueReport("/dev/a", report);
    return {fake, report, {}};
}

INSTANTIATE_TEST_SUITE_P(Scripted, BackendContract,
                         ::testing::Values(BackendUnderContract{"fake", &scriptedBackend}),
                         contractName);

}  // namespace
