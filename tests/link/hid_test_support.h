// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

#include "fake_hid_backend.h"
#include "wait_for.h"

// A device for the scripted backend: product "USB to Serial" unless given, no serial number.
inline dmm::FakeHidBackend::Device fakeDevice(const std::string& name,
                                              std::u16string product = u"USB to Serial") {
    dmm::FakeHidBackend::Device d;
    d.identity = "sys/" + name;
    d.path = "/dev/" + name;
    d.attributes = {0x1234, 0x5678, 0x0100};
    d.product = std::move(product);
    return d;
}
