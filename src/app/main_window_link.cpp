// The serial connection: port selection, connect and disconnect, the link indicator.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "dialogs.h"
#include "main_window.h"
#include "ui_main_window.h"
#include "panel_label.h"
#include "port_name_table.h"
#include "serial_port_driver.h"

namespace dmm {

void TFCOMM::createSerialDriver() {
    portNames_ = std::make_unique<PortNameTable>();
    for (auto it = options_.ports.cbegin(); it != options_.ports.cend(); ++it) {
        portNames_->map(it.key(), it.value());
    }
    COMM2 = new SerialPortDriver(this);
    COMM2->setObjectName(QStringLiteral("COMM2"));
    COMM2->setPortNames(portNames_.get());
    COMM2->setPort(SerialPortDriver::PortNumber::Com1);
    COMM2->setBaudRate(SerialPortDriver::BaudRate::Baud2400);
    // A device pulled out while connected is waited for, and read again once it is back.
    COMM2->setReconnect(true);
    COMM2->setReceiveHandler([this](SerialPortDriver*, const void* data, std::int32_t size) {
        guarded([&] { onReceiveData(data, size); });
    });
    updatePortTips();
}

QString TFCOMM::comPortPath(int n) const { return portNames_ ? portNames_->resolve(n) : QString(); }

void TFCOMM::updatePortTips() {
    for (int i = 0; i < 4; ++i) portPanels()[i]->setToolTip(portNames_->describe(i + 1));
}

void TFCOMM::closeSerialPort() {
    if (COMM2) COMM2->close();
}

bool TFCOMM::openSerialPort() {
    if (COMM2->open()) return true;
    // A port that cannot be opened is said so, and the window stays disconnected rather than
    // showing a connection that does not exist.
    ui_->COMCon->setChecked(false);
    if (dialogs_) dialogs_->error(QStringLiteral("Could not open ") + COMM2->lastError());
    return false;
}

void TFCOMM::connectSequence() {
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

void TFCOMM::disconnectSequence() {
    ui_->ComSetup1->setEnabled(true);
    ui_->START1->setChecked(false);
    ui_->START1->setEnabled(true);
    ui_->STOP1->setEnabled(false);
    ui_->STOP1->setChecked(true);
    COMM2->close();
    ui_->BTCon->show();
    ui_->BtDiscon->hide();
    for (PanelLabel* p : portPanels()) p->setEnabled(true);
}

void TFCOMM::COMConClick() {
    if (ui_->COMCon->isChecked()) {
        connectSequence();
    } else {
        disconnectSequence();
    }
}

void TFCOMM::BTCon1Click() { connectSequence(); }
void TFCOMM::BtDiscon1Click() { disconnectSequence(); }

void TFCOMM::selectPort(int n) {
    QAction* ticks[4] = {ui_->COM11, ui_->COM21, ui_->COM31, ui_->COM41};
    for (int i = 0; i < 4; ++i) ticks[i]->setChecked(i == n - 1);
    for (int i = 0; i < 4; ++i) portPanels()[i]->setVisible(i == n - 1);
    COMM2->setPort(static_cast<SerialPortDriver::PortNumber>(n - 1));
    // The driver takes a new port only while closed; the window shows the one in force.
    comPort_ = static_cast<int>(COMM2->port()) + 1;
    updatePortTips();
}

void TFCOMM::COM11Click() { selectPort(1); }
void TFCOMM::COM21Click() { selectPort(2); }
void TFCOMM::COM31Click() { selectPort(3); }
void TFCOMM::COM41Click() { selectPort(4); }

}  // namespace dmm
