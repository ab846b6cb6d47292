// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <cstring>

#include "app_options.h"
#include "wait_for.h"

namespace {

TEST(CommandLine, ArgumentsAreParsedOrRefusedWithAReason) {
    struct Row {
        QStringList args;
        const char* error;  // part of the message; nullptr: accepted
    } rows[] = {
        {{}, nullptr},
        {{"--port", "COM2=/dev/ttyS5", "--port=com4=/tmp/p"}, nullptr},
        {{"--family", "sorn", "--count-class", "34"}, nullptr},
        {{"--demo", "--screenshot", "a.png", "--quit-after", "500"}, nullptr},
        {{"--port", "COM5=/dev/x"}, "COMn=PATH"},
        {{"--port", "/dev/ttyUSB0"}, "COMn=PATH"},
        {{"--family", "acme"}, "unknown family"},
        {{"--count-class", "5"}, "unknown count class"},
        {{"--quit-after", "-3"}, "milliseconds"},
        {{"--quit-after"}, "needs a value"},
        {{"--colour"}, "unknown argument"},
        {{"readings.xls", "--demo"}, nullptr},
        {{"a.xls", "b.xml"}, "one data file at a time"},
        {{"--publish", "mqtt://broker.lab/lab/b3", "--queue", "50", "--ca-file", "ca.crt"},
         nullptr},
        {{"--publish", "mqtt://u:pw@broker.lab/x"}, "password never goes in the URL"},
        {{"--publish", "broker.lab"}, "mqtt://"},
        {{"--queue", "0", "--publish", "mqtt://b/x"}, "from 1 to"},
        {{"--password-file", "pw"}, "go with --publish"},
        {{"--demo", "--usb", "--family", "brio"}, "the Brio family has no USB cable"},
        {{"--family", "brio", "--usb", "--demo"}, "the Brio family has no USB cable"},
        {{"--demo", "--screenshot", "a.png"}, "--screenshot goes with --quit-after"},
        {{"--colour\x1b[2J"}, "unknown argument '--colour\\x1b[2J'"},
    };
    for (const Row& r : rows) {
        const auto p = dmm::parseAppOptions(r.args);
        if (r.error) {
            EXPECT_TRUE(p.error.contains(QString::fromLatin1(r.error))) << r.args.join(' ').toStdString()
                                                                       << " -> " << p.error.toStdString();
        } else {
            EXPECT_TRUE(p.error.isEmpty()) << r.args.join(' ').toStdString() << " -> " << p.error.toStdString();
        }
    }
    const auto p = dmm::parseAppOptions({"--port", "COM2=/dev/ttyS5", "--port=com4=/tmp/p", "--family=brio",
                                         "--count-class=2", "--demo", "--quit-after=7"});
    EXPECT_EQ(p.options.ports.value(2), "/dev/ttyS5");
    EXPECT_EQ(p.options.ports.value(4), "/tmp/p");
    EXPECT_EQ(p.options.family, dmm::Family::Brio);
    EXPECT_EQ(p.options.countClass->fullScale, 20000);
    EXPECT_TRUE(p.options.demo);
    EXPECT_EQ(p.options.quitAfterMs, 7);
    EXPECT_FALSE(dmm::parseAppOptions({}).options.family.has_value()) << "no family: the layout decides";
    EXPECT_EQ(dmm::parseAppOptions({"--demo", "/tmp/r.xml"}).options.dataFile, "/tmp/r.xml");
}

// Qt's own options, with one dash or two, and their values (next or after '='), are left to Qt.
TEST(CommandLine, QtOptionsAreLeftToQt) {
    struct Row {
        QStringList args;
        QStringList rest;
    } rows[] = {
        {{"-platform", "offscreen", "--demo"}, {"--demo"}},
        {{"--style=fusion", "-reverse", "r.xls"}, {"r.xls"}},
        {{"-display", ":1", "-qwindowtitle", "t", "--port", "COM1=/x"}, {"--port", "COM1=/x"}},
        {{"--bogus", "-widgetcount", "-platform"}, {"--bogus"}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(dmm::withoutQtOptions(r.args), r.rest) << r.args.join(' ').toStdString();
    }
}

// The program itself: --help and --version answer on standard output with status 0, and refused
// arguments give status 2 with the reason and the usage on standard error, even where no window
// can open (the xcb platform without a display).
TEST(CommandLine, HelpAndVersionNeedNoDisplayAndRefusedArgumentsShowTheUsage) {
    struct Row {
        QStringList args;
        const char* platform;
        int status;
        const char* out;  // what standard output begins with
        const char* err;  // part of standard error
    } rows[] = {
        {{"--version"}, "xcb", 0, "dmmview " DMM_VERSION "\n", ""},
        {{"--help"}, "xcb", 0, "Usage: dmmview [options]", ""},
        {{"--demo", "-h"}, "xcb", 0, "Usage: dmmview [options]", ""},
        // Qt's own options are taken out by the application object before the arguments are read.
        {{"-platform", "offscreen", "--help"}, "xcb", 0, "Usage: dmmview [options]", ""},
        {{"-style", "fusion", "--version"}, "xcb", 0, "dmmview " DMM_VERSION "\n", ""},
        {{"--family", "acme"}, "xcb", 2, "", "dmmview: unknown family 'acme'\nUsage: dmmview"},
        {{"--help", "--quit-after"}, "xcb", 2, "", "needs a value\nUsage: dmmview"},
        {{"--bogus"}, "xcb", 2, "", "dmmview: unknown argument '--bogus'\nUsage: dmmview"},
        {{"-platform", "offscreen", "--bogus"}, "xcb", 2, "", "unknown argument '--bogus'"},
        {{"--demo", "--usb", "--family", "brio"}, "xcb", 2, "",
         "dmmview: the Brio family has no USB cable\nUsage: dmmview"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args.join(' ').toStdString());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(r.platform));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(DMMVIEW_PATH), r.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        const std::string out = p.readAllStandardOutput().toStdString();
        const std::string err = p.readAllStandardError().toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err;
        EXPECT_EQ(p.exitCode(), r.status) << err;
        EXPECT_EQ(out.rfind(r.out, 0), 0u) << out;
        EXPECT_NE(err.find(r.err), std::string::npos) << err;
        EXPECT_EQ(err.find("XDG_RUNTIME_DIR"), std::string::npos) << err;
        if (r.status == 0) {
            EXPECT_EQ(err.find("Usage"), std::string::npos) << err;
        }
        if (r.status != 0) {
            EXPECT_EQ(out, "");
        }
    }
}

// Whether the process has a handler of its own for the signal (its SigCgt mask).
bool catches(qint64 pid, int signal) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (QByteArray line; !(line = status.readLine()).isEmpty();) {
        if (!line.startsWith("SigCgt:")) continue;
        const qulonglong caught = line.mid(7).trimmed().toULongLong(nullptr, 16);
        return (caught >> (signal - 1)) & 1u;
    }
    return false;
}

// SIGINT, SIGTERM and SIGHUP (a closed terminal) end the program as Exit does: status 0, after
// what is under way.
TEST(CommandLine, StopSignalsEndTheProgramAsExitDoes) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(DMMVIEW_PATH), {QStringLiteral("--demo")});
        ASSERT_TRUE(p.waitForStarted(30000));
        // The handler is in place once the program has started up.
        ASSERT_TRUE(dmm::test::waitFor([&] { return catches(p.processId(), signal); }));
        ::kill(static_cast<pid_t>(p.processId()), signal);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_EQ(p.readAllStandardError().indexOf("XDG_RUNTIME_DIR"), -1);
    }
}

}  // namespace
