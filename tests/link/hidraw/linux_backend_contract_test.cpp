// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The system's backend under the HID backend contract, on an emulated cable.
#include "emulated_system.h"
#include "hid_backend_contract.h"
#include "hidraw_testbed.h"
#include "linux_hid_backend.h"

using namespace dmm::test;

namespace {

ContractSubject systemBackend() {
    if (!emulationMissing().isEmpty()) return {nullptr, {}, emulationMissing().toStdString()};
    struct Emulated {
        HidrawTestbed testbed;
        dmm::LinuxHidBackend backend;
    };
    auto emulated = std::make_shared<Emulated>();
    const EmulatedHidDevice cable = unnumberedCable();
    emulated->testbed.plug(cable);
    const Bytes report = {0xF1, 0x37, 0, 0, 0, 0, 0, 0};
    emulated->testbed.sendReports(cable, {report});
    Bytes waiting = {0x00};  // the cable does not number its reports
    waiting.insert(waiting.end(), report.begin(), report.end());
    return {std::shared_ptr<dmm::HidBackend>(emulated, &emulated->backend), waiting, {}};
}

INSTANTIATE_TEST_SUITE_P(System, BackendContract,
                         ::testing::Values(BackendUnderContract{"linux", &systemBackend}),
                         contractName);

}  // namespace
