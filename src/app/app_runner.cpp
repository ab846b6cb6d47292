// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app_runner.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <memory>
#include <optional>

#include "app_options.h"
#include "main_window.h"
#include "fake_hid_backend.h"
#include "meter_simulator.h"
#include "simulated_cable.h"
#include "reading_publisher.h"
#include "real_dialogs.h"
#include "stop_signals.h"
#include "printable_text.h"
#include "window_snapshot.h"

namespace dmm {

namespace {

// Prints what --help, --version or refused arguments ask for and returns the exit status; returns
// nothing when the window is to start.
std::optional<int> answerArguments(const ParsedOptions& parsed) {
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "dmmview: %s\n%s", qPrintable(parsed.error), qPrintable(appUsage()));
        return 2;
    }
    if (!parsed.help && !parsed.version) return std::nullopt;
    std::fputs(qPrintable(parsed.help ? appUsage() : appVersionLine()), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

std::optional<int> answerWithoutWindow(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return answerArguments(parseAppOptions(withoutQtOptions(args)));
}

int runDmmview(QApplication& app) {
    QStringList args = app.arguments();
    if (!args.isEmpty()) args.removeFirst();
    const ParsedOptions parsed = parseAppOptions(withoutQtOptions(args));
    if (const auto status = answerArguments(parsed)) return *status;
    AppOptions options = parsed.options;

    // The task-bar text; the window sets its own caption.
    QCoreApplication::setApplicationName(QStringLiteral("61-50883"));
    // The menu entry's name, so that the desktop shows the window with the entry's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DMM_APP_ID));

    // --publish, --subscribe: the broker's settings, checked before the window shows.
    BrokerSettings broker;
    if (options.publishTo || options.subscribeTo) {
        broker.url = options.publishTo ? *options.publishTo : *options.subscribeTo;
        broker.caFile = QFile::encodeName(options.caFile).toStdString();
        QString why;
        if (!readBrokerPassword(options.passwordFile, &broker.password, &why)) {
            std::fprintf(stderr, "dmmview: %s\n", qPrintable(why));
            return 1;
        }
    }

    // --demo: a simulated meter of the chosen family on a pseudo-terminal, mapped to COM1.
    std::unique_ptr<MeterSimulator> demo;
    // --demo --usb: the simulated meter behind a simulated USB cable, read through the same
    // controller, reader thread and hand-over as a real cable.
    FakeHidBackend simulatedDevices;
    std::unique_ptr<SimulatedCable> cable;
    if (options.demo && options.usb) {
        cable = std::make_unique<SimulatedCable>(simulatedDevices,
                                                 options.family.value_or(Family::Kelt), 5.0);
        options.hidBackend = &simulatedDevices;
        simulatedDevices.plug(SimulatedCable::cableDevice(), false);
        cable->start();
    } else if (options.demo) {
        MeterSimulator::Options sim;
        sim.family = options.family.value_or(Family::Kelt);
        sim.rate = 5.0;
        demo = std::make_unique<MeterSimulator>(sim);
        if (!demo->openPty()) {
            std::fprintf(stderr, "dmmview: the simulated meter could not start: %s\n",
                         qPrintable(demo->lastError()));
            return 1;
        }
        options.ports[1] = demo->devicePath();
        demo->start();
    }

    RealDialogs dialogs;
    MainWindow window(options, &dialogs);
    dialogs.setParent(&window);
    if (options.publishTo) {
        // The window publishes what it shows; the broker's state is in the link indicator's
        // tooltip, and a broker that will not take us is said once.
        auto publisher = std::make_unique<ReadingPublisher>(broker, options.queueLimit);
        QObject::connect(&publisher->connection(), &BrokerConnection::failed, &window,
                         [&dialogs](const QString& problem) { dialogs.error(problem); });
        publisher->start();
        window.session().publishTo(std::move(publisher));
    }
    if (options.subscribeTo) window.subscribeToBroker(broker);

    // A second window of the layout; nothing shows or uses it.
    QWidget secondWindow;
    secondWindow.setObjectName(QStringLiteral("secondWindow"));
    secondWindow.setWindowTitle(QStringLiteral("Form1"));
    secondWindow.resize(696, 480);

    window.show();

    if (demo) {
        // Select COM1 (the simulated meter) and press "COM Connect" as a user would.
        window.guarded([&] { window.onPortChosen(1); });
        window.findChild<QToolButton*>(QStringLiteral("serialConnectButton"))->click();
    }
    if (cable) {
        // Once the devices have been listed (the controller's first scan is queued), press
        // "USB Connect" as a user would.
        QTimer::singleShot(0, &window, [&window] {
            window.findChild<QToolButton*>(QStringLiteral("usbConnectButton"))->click();
        });
    }

    // A stop signal (SIGINT, SIGTERM, SIGHUP) ends the program as "Exit" does, once what it is
    // doing (a file being saved) has finished; nothing is saved on its own.
    quitOnStopSignals();
    int status = 0;
    if (options.quitAfterMs >= 0) {
        QTimer::singleShot(options.quitAfterMs, &window, [&] {
            if (!options.screenshot.isEmpty()) {
                const QString name = printableText(options.screenshot);
                if (QString why; saveWindowSnapshot(window, options.screenshot, &why)) {
                    std::fprintf(stdout, "dmmview: screenshot saved to %s\n", qPrintable(name));
                } else {
                    std::fprintf(stderr, "dmmview: could not save the screenshot to %s: %s\n",
                                 qPrintable(name), qPrintable(printableText(why)));
                    status = 1;
                }
                std::fflush(stdout);
            }
            window.close();
        });
    }
    const int loop = app.exec();
    return loop != 0 ? loop : status;
}

}  // namespace dmm
