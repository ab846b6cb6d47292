// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "fake_hid_backend.h"
#include "find_control.h"
#include "main_window.h"
#include "scripted_dialogs.h"
#include "wait_for.h"

// A main window built as the program builds it, with scripted dialogs.
class WindowTest : public ::testing::Test {
protected:
    // Its HID devices are the scripted ones of `hid` unless the options name others.
    std::unique_ptr<dmm::MainWindow> makeWindow(dmm::AppOptions options = {}) {
        if (!options.hidBackend) options.hidBackend = &hid;
        return std::make_unique<dmm::MainWindow>(options, &dialogs);
    }

    // Runs the event loop until the condition holds or the time is up.
    static bool waitFor(const std::function<bool()>& condition,
                        int ms = dmm::test::kGenerousDeadlineMs) {
        return dmm::test::waitFor(condition, ms);
    }

    dmm::test::ScriptedDialogs dialogs;
    dmm::FakeHidBackend hid;
};
