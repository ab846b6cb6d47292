// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The window's face of the meter session: the serial port's buttons, panels and menu items, the
// USB cable's buttons and hidden device and history lists, and the link indicator. The session
// decides; these handlers forward the commands and show what it says.
#include <QAction>
#include <QFile>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>

#include <cstdio>

#include "dialogs.h"
#include "main_window.h"
#include "panel_label.h"
#include "printable_text.h"
#include "reading_display.h"
#include "remote_meter.h"
#include "serial_port_driver.h"
#include "ui_main_window.h"

namespace dmm {

namespace {

// The history keeps this many lines, the newest.
constexpr int kHistoryLines = 1000;

}  // namespace

void MainWindow::createSession() {
    for (auto it = options_.ports.cbegin(); it != options_.ports.cend(); ++it) {
        session_->portNames().map(it.key(), it.value());
    }
    session_->setDisplay(display_.get());
    // A device pulled out while connected is waited for, and read again once it is back.
    session_->setReconnect(true);
    showPortTips();
    QString why;
    session_->watchHidDevices(options_.hidBackend, &why);
    if (!why.isEmpty()) {
        std::fprintf(stderr, "dmmview: %s: USB devices are looked for once, at start\n",
                     qPrintable(why));
    }
    // Every data report adds a history line: with rows of one height, selecting the newest line
    // does not lay out all the others again.
    ui_->cableHistoryList->setUniformItemSizes(true);
    ui_->cableDeviceList->setUniformItemSizes(true);
}

void MainWindow::connectSession() {
    connect(session_, &MeterSession::linkLitChanged, this, &MainWindow::showLinkLit);
    connect(session_, &MeterSession::serialPortClosed, this, &MainWindow::showSerialPortClosed);
    connect(session_, &MeterSession::devicesListed, this, &MainWindow::showDeviceList);
    connect(session_, &MeterSession::historyLine, this, &MainWindow::addHistoryLine);
    connect(session_, &MeterSession::cableReportHandled, this, &MainWindow::showCableDiagnostics);
    connect(session_, &MeterSession::cableSilent, this, &MainWindow::showCableSilent);
    connect(session_, &MeterSession::failed, this, [this](const QString& text) {
        if (dialogs_) dialogs_->error(text);
    });
    // The port menu, with "Broker...", on the port panel's context menu: the menu bar does not
    // show it.
    for (PanelLabel* panel : portPanels()) {
        panel->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(panel, &QWidget::customContextMenuRequested, this,
                [this, panel](QPoint at) { ui_->portMenu->popup(panel->mapToGlobal(at)); });
    }
    // The hidden device list: a line picked there is the device the cable buttons use.
    connect(ui_->cableDeviceList, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> picked = ui_->cableDeviceList->selectedItems();
        session_->chooseDeviceLine(picked.isEmpty() ? -1
                                                    : ui_->cableDeviceList->row(picked.front()));
    });
}

// ---- The serial port ----

void MainWindow::showPortTips() {
    for (int i = 0; i < 4; ++i)
        portPanels()[i]->setToolTip(printableText(session_->portNames().describe(i + 1)));
}

void MainWindow::connectSerialPort() {
    if (!session_->openSerialPort()) {
        // A port that cannot be opened is said so, and the window stays disconnected rather
        // than showing a connection that does not exist.
        ui_->serialConnectButton->setChecked(false);
        if (dialogs_) {
            dialogs_->error(QStringLiteral("Could not open ") +
                            printableText(session_->serialError()));
        }
        return;
    }
    ui_->portMenu->setEnabled(false);
    ui_->connectAction->setChecked(true);
    ui_->connectAction->setEnabled(false);
    ui_->disconnectAction->setEnabled(true);
    ui_->disconnectAction->setChecked(false);
    ui_->connectPanel->hide();
    ui_->disconnectPanel->show();
    for (PanelLabel* p : portPanels()) p->setEnabled(false);
}

void MainWindow::showSerialPortClosed() {
    ui_->portMenu->setEnabled(true);
    ui_->connectAction->setChecked(false);
    ui_->connectAction->setEnabled(true);
    ui_->disconnectAction->setEnabled(false);
    ui_->disconnectAction->setChecked(true);
    ui_->connectPanel->show();
    ui_->disconnectPanel->hide();
    for (PanelLabel* p : portPanels()) p->setEnabled(true);
}

void MainWindow::onSerialConnectToggled() {
    if (ui_->serialConnectButton->isChecked()) {
        connectSerialPort();
    } else {
        onDisconnectClicked();
    }
}

void MainWindow::onConnectClicked() { connectSerialPort(); }

void MainWindow::onDisconnectClicked() {
    session_->closeSerialPort();
    showSerialPortClosed();
}

void MainWindow::onPortChosen(int port) {
    const std::array<QAction*, 4> ticks = {ui_->port1Action, ui_->port2Action, ui_->port3Action,
                                           ui_->port4Action};
    for (int i = 0; i < 4; ++i) ticks[i]->setChecked(i == port - 1);
    for (int i = 0; i < 4; ++i) portPanels()[i]->setVisible(i == port - 1);
    session_->choosePort(port);
    showPortTips();
}

void MainWindow::onBrokerChosen() {
    if (!dialogs_) return;
    const std::optional<Dialogs::BrokerChoice> choice = dialogs_->chooseBroker();
    if (!choice) return;
    std::string why;
    BrokerSettings settings;
    const std::optional<BrokerUrl> url = parseBrokerUrl(choice->url.toStdString(), &why);
    if (!url) {
        dialogs_->error(QStringLiteral("The broker URL does not read: %1")
                            .arg(QString::fromStdString(why)));
        return;
    }
    settings.url = *url;
    if (!choice->user.isEmpty()) settings.url.user = choice->user.toStdString();
    settings.password = choice->password.toStdString();
    settings.caFile = QFile::encodeName(options_.caFile).toStdString();
    subscribeToBroker(settings);
}

void MainWindow::subscribeToBroker(const BrokerSettings& settings) {
    // One link at a time: the port's and the cable's buttons are lifted, their links end.
    for (QToolButton* b : {ui_->serialConnectButton, ui_->usbConnectButton, ui_->cableReadButton})
        b->setChecked(false);
    session_->subscribeTo(settings);
    // Lost and found again is the tooltip's to say; what will not mend, a box's.
    connect(&session_->remoteMeter()->connection(), &BrokerConnection::failed, this,
            [this](const QString& problem) {
                if (dialogs_) dialogs_->error(problem);
            });
}

void MainWindow::showLinkLit(bool lit) {
    ui_->linkLitPicture->setVisible(lit);
    ui_->linkDarkPicture->setVisible(!lit);
}

// ---- The USB cable ----

void MainWindow::addHistoryLine(const QString& line) {
    ui_->cableHistoryList->addItem(line);
    while (ui_->cableHistoryList->count() > kHistoryLines)
        delete ui_->cableHistoryList->takeItem(0);
    ui_->cableHistoryList->setCurrentRow(ui_->cableHistoryList->count() - 1);
}

void MainWindow::showDeviceList() {
    // The list was made again, which ends the hidden "Read" toggle's reading.
    ui_->cableReadButton->setChecked(false);
    const QSignalBlocker quiet(ui_->cableDeviceList);
    ui_->cableDeviceList->clear();
    ui_->cableDeviceList->addItems(session_->deviceLines());
    if (session_->chosenDeviceLine() >= 0) {
        ui_->cableDeviceList->setCurrentRow(session_->chosenDeviceLine());
    }
}

void MainWindow::showCableDiagnostics() {
    ui_->frameDiagnosticLabel->setText(QString::fromStdString(core().frameDiagnostic()));
    ui_->frameEndDiagnosticLabel->setText(QString::fromStdString(core().frameEndDiagnostic()));
}

void MainWindow::showCableCommand(QToolButton* button, CableCommand result, bool sayNoCable) {
    const bool pressed = button->isChecked();
    if (result == CableCommand::NoCable && sayNoCable) {
        button->setChecked(false);
        if (dialogs_) {
            dialogs_->information(QStringLiteral(
                "USB interface cable is not securely connected, please check and re-try."));
        }
    } else if (result == CableCommand::NoAccess) {
        // A cable the user may not open is said so, with what to do about it, instead of the
        // button lifting without a word.
        button->setChecked(false);
        if (pressed && dialogs_) {
            dialogs_->error(
                QStringLiteral(
                    "Could not open the USB cable %1: %2.\nInstall the udev rule that gives you "
                    "access to it (see \"USB cable\" in the README), then plug the cable in "
                    "again.")
                    .arg(session_->chosenDevicePath(), session_->cableAccessProblem()));
        }
    }
}

void MainWindow::onUsbConnectToggled() {
    showCableCommand(ui_->usbConnectButton,
                     session_->connectCable(ui_->usbConnectButton->isChecked(), Family::Kelt),
                     true);
}

void MainWindow::onCableReadToggled() {
    const bool pressed = ui_->cableReadButton->isChecked();
    showCableCommand(ui_->cableReadButton,
                     session_->readCable(pressed ? std::optional(Family::Sorn) : std::nullopt),
                     false);
}

void MainWindow::onSendSetupReportClicked() {
    if (!session_->sendCableSetup())
        showCableCommand(ui_->usbConnectButton, CableCommand::NoCable, true);
}

void MainWindow::showCableSilent() {
    ui_->usbConnectButton->setChecked(false);
    if (dialogs_) {
        dialogs_->information(QStringLiteral(
            "USB interface cable is securely connected, please check if the meter is ready."));
    }
}

void MainWindow::onClearHistoryClicked() { ui_->cableHistoryList->clear(); }

void MainWindow::onOpenAnotherWindowClicked() {
    if (session_->chosenDeviceLine() < 0) return;
    auto* other = new MainWindow(options_, dialogs_, this);
    other->setAttribute(Qt::WA_DeleteOnClose);
    other->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(other, &QObject::destroyed, &loop, &QEventLoop::quit);
    other->show();
    loop.exec();
}

}  // namespace dmm
