// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "emulated_system.h"

#include <QProcessEnvironment>
#include <QStandardPaths>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "wait_for.h"

namespace dmm::test {

namespace {

// Set once the process runs inside: "private" when /run is its own, "shared" when it is the
// machine's.
constexpr const char* kInside = "DMM_EMULATED_SYSTEM";
constexpr const char* kUdevControl = "/run/udev/control";

QString& missingReason() {
    static QString reason;
    return reason;
}

bool writeFile(const char* path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// A tmpfs on /run in a mount namespace of this process's own, with the file that says a udev
// daemon runs. A user namespace gives a process that is not root the right to mount; as root in
// a container, the user namespace may be refused where the mount namespace alone is not.
std::string makePrivateRun() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
        if (!writeFile("/proc/self/setgroups", "deny") ||
            !writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            return "cannot map this user into a user namespace";
        }
    } else if (::unshare(CLONE_NEWNS) != 0) {
        return std::string("no mount namespace of its own: ") + std::strerror(errno);
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", "/run", "tmpfs", 0, "mode=0755") != 0) {
        return std::string("cannot mount a tmpfs on /run: ") + std::strerror(errno);
    }
    ::mkdir("/run/udev", 0755);
    if (!writeFile(kUdevControl, "")) return "cannot write /run/udev/control";
    // The machine's runtime folder is hidden now; Qt wants one.
    ::mkdir("/run/user", 0700);
    ::setenv("XDG_RUNTIME_DIR", "/run/user", 1);
    return {};
}

}  // namespace

void enterEmulatedSystem(char** argv) {
    if (std::getenv(kInside)) return;
    if (QStandardPaths::findExecutable(QStringLiteral("umockdev-run")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("umockdev-wrapper")).isEmpty()) {
        missingReason() =
            QStringLiteral("umockdev-run is not installed (Debian package umockdev)");
        return;
    }
    const std::string why = makePrivateRun();
    if (!why.empty()) {
        std::fprintf(stderr, "no private /run for the tests (%s): whether a udev daemon runs "
                             "is the machine's\n", why.c_str());
    }
    ::setenv(kInside, why.empty() ? "private" : "shared", 1);
    std::vector<char*> args{const_cast<char*>("umockdev-wrapper")};
    for (char** a = argv; *a; ++a) args.push_back(*a);
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    missingReason() = QStringLiteral("cannot start umockdev-wrapper: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno)));
}

const QString& emulationMissing() { return missingReason(); }

NoUdevDaemon::NoUdevDaemon() {
    if (std::string(std::getenv(kInside) ? std::getenv(kInside) : "") != "private") {
        throw std::runtime_error("no private /run: the machine's udev daemon stays");
    }
    ::unlink(kUdevControl);
}

NoUdevDaemon::~NoUdevDaemon() { writeFile(kUdevControl, ""); }

const SimulatedMeter& simulatedMeter() {
    static const SimulatedMeter meter = [] {
        const auto text = [](const char* path) {
            std::ifstream in(path);
            if (!in) throw std::runtime_error(std::string("no ") + path + ": build dmm_link_hidraw_tests");
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        return SimulatedMeter{parseReportLines(text(SIMULATED_REPORTS)),
                              QString::fromStdString(text(SIMULATED_DECODED))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
    }();
    return meter;
}

Program::Program(const QString& program, const QStringList& args, bool clean) {
    if (clean) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("LD_PRELOAD"));
        env.remove(QStringLiteral("UMOCKDEV_DIR"));
        process_.setProcessEnvironment(env);
    }
    process_.start(program, args);
}

Program::~Program() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(kGenerousDeadlineMs);
    }
}

void Program::collect() {
    out_ += process_.readAllStandardOutput();
    err_ += process_.readAllStandardError();
}

bool Program::waitForLines(int lines) {
    return waitFor([&] {
               collect();
               return this->lines().size() >= lines || process_.state() == QProcess::NotRunning;
           }) &&
           this->lines().size() >= lines;
}

bool Program::waitForError(const QString& text) {
    return waitFor([&] {
               collect();
               return error().contains(text) || process_.state() == QProcess::NotRunning;
           }) &&
           error().contains(text);
}

int Program::finish() {
    const bool ended =
        process_.state() == QProcess::NotRunning || process_.waitForFinished(kGenerousDeadlineMs);
    collect();
    if (!ended || process_.exitStatus() != QProcess::NormalExit) return -1;
    return process_.exitCode();
}

int Program::stop() {
    process_.terminate();
    return finish();
}

QStringList Program::lines() const {
    return QString::fromLocal8Bit(out_).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace dmm::test
