#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <memory>

#include "main_window.h"
#include "scripted_dialogs.h"

// A main window built as the program builds it, with scripted dialogs.
class WindowTest : public ::testing::Test {
protected:
    std::unique_ptr<dmm::TFCOMM> makeWindow(const dmm::AppOptions& options = {}) {
        return std::make_unique<dmm::TFCOMM>(options, &dialogs);
    }

    // Runs the event loop until the condition holds or the time is up.
    static bool waitFor(const std::function<bool()>& condition, int ms = 5000) {
        QElapsedTimer t;
        t.start();
        while (!condition()) {
            if (t.elapsed() > ms) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    ScriptedDialogs dialogs;
};
