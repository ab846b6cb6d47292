// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid_backend.h"

// What every HID backend promises, written once (hid_backend_contract_test.cpp) and run for each
// backend by an INSTANTIATE_TEST_SUITE_P(..., BackendContract, ...) beside the tests of that
// backend.
struct ContractSubject {
    // A backend listing one device whose product is "USB to Serial" and whose input report
    // `waitingReport` (report ID first) waits to be read; none, with the reason, where the backend
    // cannot be had here.
    std::shared_ptr<dmm::HidBackend> backend;
    std::vector<std::uint8_t> waitingReport;
    std::string unavailable;
};

struct BackendUnderContract {
    const char* name;
    std::function<ContractSubject()> make;
};

inline void PrintTo(const BackendUnderContract& b, std::ostream* out) { *out << b.name; }

class BackendContract : public ::testing::TestWithParam<BackendUnderContract> {
protected:
    void SetUp() override {
        subject_ = GetParam().make();
        if (!subject_.backend) GTEST_SKIP() << subject_.unavailable;
    }
    dmm::HidBackend& backend() { return *subject_.backend; }

    ContractSubject subject_;
};

inline std::string contractName(const ::testing::TestParamInfo<BackendUnderContract>& info) {
    return info.param.name;
}
