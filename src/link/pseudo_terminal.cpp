// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pseudo_terminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace dmm {

PseudoTerminal::~PseudoTerminal() { close(); }

bool PseudoTerminal::open(QString* error) {
    close();
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        if (error)
            *error = QStringLiteral("cannot create a pseudo-terminal: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::close(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    master_ = master;
    slavePath_ = QString::fromLocal8Bit(name);
    return true;
}

void PseudoTerminal::close() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
    slavePath_.clear();
}

bool PseudoTerminal::readerAttached() const {
    if (master_ < 0) return false;
    // The master reports a hang-up while no process has the slave open.
    pollfd p{master_, POLLOUT, 0};
    if (::poll(&p, 1, 0) < 0) return false;
    return (p.revents & POLLHUP) == 0;
}

long PseudoTerminal::write(const char* data, std::size_t size) {
    if (master_ < 0) return -1;
    const ssize_t n = ::write(master_, data, size);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
    return static_cast<long>(n);
}

long PseudoTerminal::read(char* data, std::size_t size) {
    if (master_ < 0) return -1;
    const ssize_t n = ::read(master_, data, size);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
    return static_cast<long>(n);
}

}  // namespace dmm
