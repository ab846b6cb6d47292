#include "stop_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dmm {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

int wakeFds[2] = {-1, -1};
volatile std::sig_atomic_t received = 0;
void (*volatile beforeEndHook)() = nullptr;

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
    for (const int signal : kStopSignals) sigaction(signal, &sa, nullptr);
}

bool stopSignalReceived() { return received != 0; }

void endOnStopSignals(void (*beforeEnd)()) {
    beforeEndHook = beforeEnd;
    struct sigaction sa {};
    sa.sa_handler = [](int signal) {
        if (beforeEndHook) beforeEndHook();
        // The action is the default again (SA_RESETHAND): the signal, raised again, is
        // delivered once this handler returns and ends the process.
        ::raise(signal);
    };
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    for (const int signal : kStopSignals) sigaction(signal, &sa, nullptr);
}

}  // namespace dmm
