// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <stdexcept>
#include <string>

#include "panel_label.h"

// The control of the window (or of any widget) with this objectName, as tests, screenshots and
// scripts find it. A missing control throws, which fails the test that asked for it.
template <class T = QWidget>
T* control(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found) throw std::logic_error(std::string("no control named ") + name + " of that kind");
    return found;
}

// The four port panels, COM1 to COM4.
inline std::array<dmm::PanelLabel*, 4> portPanels(const QObject& window) {
    return {control<dmm::PanelLabel>(window, "port1Panel"),
            control<dmm::PanelLabel>(window, "port2Panel"),
            control<dmm::PanelLabel>(window, "port3Panel"),
            control<dmm::PanelLabel>(window, "port4Panel")};
}
