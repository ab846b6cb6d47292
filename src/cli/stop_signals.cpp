#include "stop_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dmm {

namespace {

int wakeFds[2] = {-1, -1};
volatile std::sig_atomic_t received = 0;

void onStopSignal(int) {
    received = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFds[0], &byte, 1);
}

}  // namespace

void quitOnStopSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    if (wakeFds[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0) return;
    ::fcntl(wakeFds[0], F_SETFL, O_NONBLOCK);
    auto* notifier =
        new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char buf[16];
        while (::read(wakeFds[1], buf, sizeof buf) > 0) {
        }
        QCoreApplication::quit();
    });
    ::fcntl(wakeFds[1], F_SETFL, O_NONBLOCK);
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

bool stopSignalReceived() { return received != 0; }

}  // namespace dmm
