// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <cstddef>

namespace dmm {

// A pseudo-terminal pair: the program writes to the master side; the slave side is a serial
// device any reader opens by its path, as it would open a meter's port. The line is raw (no
// translation of carriage returns or line feeds). The object keeps only the master open, so
// it can tell whether a reader has the slave open.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Creates the pair. False, with the reason in *error, when the system has none to give.
    bool open(QString* error = nullptr);
    // Closes the master: the slave device goes away, and a reader's reads fail.
    void close();
    bool isOpen() const { return master_ >= 0; }

    QString slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }
    // Some process has the slave side open.
    bool readerAttached() const;
    // Writes without waiting. Returns the bytes written (possibly fewer than asked when the
    // reader does not keep up), or -1 on an error.
    long write(const char* data, std::size_t size);
    // Reads what the reader sent, without waiting; 0 when nothing is there.
    long read(char* data, std::size_t size);

private:
    int master_ = -1;
    QString slavePath_;
};

}  // namespace dmm
