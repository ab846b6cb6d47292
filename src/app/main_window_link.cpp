// The serial connection: port selection, connect and disconnect, the link indicator.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "dialogs.h"
#include "main_window.h"
#include "panel_label.h"
#include "port_name_table.h"
#include "printable_text.h"
#include "serial_port_driver.h"
#include "ui_main_window.h"

namespace dmm {

void MainWindow::createSerialPort() {
    portNames_ = std::make_unique<PortNameTable>();
    for (auto it = options_.ports.cbegin(); it != options_.ports.cend(); ++it) {
        portNames_->map(it.key(), it.value());
    }
    serialPort_ = new SerialPortDriver(this);
    serialPort_->setObjectName(QStringLiteral("COMM2"));
    serialPort_->setPortNames(portNames_.get());
    serialPort_->setPort(SerialPortDriver::PortNumber::Com1);
    serialPort_->setBaudRate(SerialPortDriver::BaudRate::Baud2400);
    // A device pulled out while connected is waited for, and read again once it is back.
    serialPort_->setReconnect(true);
    showPortTips();
}

QString MainWindow::comPortPath(int n) const {
    return portNames_ ? portNames_->resolve(n) : QString();
}

void MainWindow::showPortTips() {
    for (int i = 0; i < 4; ++i) portPanels()[i]->setToolTip(portNames_->describe(i + 1));
}

void MainWindow::closeSerialPort() {
    if (serialPort_) serialPort_->close();
}

bool MainWindow::openSerialPort() {
    if (serialPort_->open()) return true;
    // A port that cannot be opened is said so, and the window stays disconnected rather than
    // showing a connection that does not exist.
    ui_->COMCon->setChecked(false);
    if (dialogs_) {
        dialogs_->error(QStringLiteral("Could not open ") + printableText(serialPort_->lastError()));
    }
    return false;
}

void MainWindow::connectSerialPort() {
    if (!openSerialPort()) return;
    ui_->ComSetup1->setEnabled(false);
    ui_->START1->setChecked(true);
    ui_->START1->setEnabled(false);
    ui_->STOP1->setEnabled(true);
    ui_->STOP1->setChecked(false);
    ui_->BTCon->hide();
    ui_->BtDiscon->show();
    for (PanelLabel* p : portPanels()) p->setEnabled(false);
}

void MainWindow::disconnectSerialPort() {
    ui_->ComSetup1->setEnabled(true);
    ui_->START1->setChecked(false);
    ui_->START1->setEnabled(true);
    ui_->STOP1->setEnabled(false);
    ui_->STOP1->setChecked(true);
    serialPort_->close();
    ui_->BTCon->show();
    ui_->BtDiscon->hide();
    for (PanelLabel* p : portPanels()) p->setEnabled(true);
}

void MainWindow::onSerialConnectToggled() {
    if (ui_->COMCon->isChecked()) {
        connectSerialPort();
    } else {
        disconnectSerialPort();
    }
}

void MainWindow::onConnectClicked() { connectSerialPort(); }
void MainWindow::onDisconnectClicked() { disconnectSerialPort(); }

void MainWindow::onPortChosen(int port) {
    const std::array<QAction*, 4> ticks = {ui_->COM11, ui_->COM21, ui_->COM31, ui_->COM41};
    for (int i = 0; i < 4; ++i) ticks[i]->setChecked(i == port - 1);
    for (int i = 0; i < 4; ++i) portPanels()[i]->setVisible(i == port - 1);
    serialPort_->setPort(static_cast<SerialPortDriver::PortNumber>(port - 1));
    // The driver takes a new port only while closed; the window shows the one in force.
    comPort_ = static_cast<int>(serialPort_->port()) + 1;
    showPortTips();
}

void MainWindow::receiveSerialBytes(const void* data, int size) {
    switch (receiver_) {
    case Receiver::Kelt: core_.receiveKeltBytes(data, size); break;
    case Receiver::Sorn: core_.receiveSornBytes(data, size); break;
    case Receiver::Brio: core_.receiveBrioBytes(data, size); break;
    case Receiver::None: break;  // no frame assembly chosen: the bytes are dropped
    }
}

void MainWindow::onLinkWatchdogTick() {
    ReadingState& st = core_.state;
    if (st.ticksSinceFrame == 2) {
        dropSilentCable();
        ui_->CONok->hide();
        ui_->CONokN->show();
        st.ticksSinceFrame = 0;
    } else {
        ++st.ticksSinceFrame;
    }
}

QString MainWindow::indicatorTip() const {
    if (cableLinkActive()) return cableIndicatorTip();
    const FrameCounters& c = core_.counters();
    const bool gone = serialPort_ && serialPort_->deviceLost();
    const QString path = gone ? serialPort_->devicePath() : comPortPath(comPort_);
    return QStringLiteral("COM%1 (%2)%3\nframes decoded: %4, dropped: %5")
        .arg(comPort_)
        .arg(path.isEmpty() ? QStringLiteral("no serial device") : printableText(path))
        .arg(gone ? QStringLiteral(": the device is gone; waiting for it to come back") : QString())
        .arg(c.decoded)
        .arg(c.dropped());
}

}  // namespace dmm
