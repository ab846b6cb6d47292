// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdio>

#include "port_name_table.h"
#include "pseudo_terminal.h"
#include "serial_port_driver.h"

// Opens a pseudo-terminal and the driver on its device as COM1 at 2400 baud, as the window
// would. Prints the reason and returns false when either cannot be opened. The receive handler
// must be assigned before the call.
inline bool openDriverOnPty(dmm::PseudoTerminal& pty, dmm::PortNameTable& names, dmm::SerialPortDriver& driver) {
    QString error;
    if (!pty.open(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    names.map(1, pty.slavePath());
    driver.setPortNames(&names);
    driver.setPort(dmm::SerialPortDriver::PortNumber::Com1);
    driver.setBaudRate(dmm::SerialPortDriver::BaudRate::Baud2400);
    if (!driver.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(driver.lastError()));
        return false;
    }
    return true;
}
