// The USB cable: the HID device controller's events, "USB Connect", the set-up report, the hidden
// device and history lists, and the cable's reports into frame assembly.
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

#include <cstdio>

#include "dialogs.h"
#include "hid_device_controller.h"
#include "hid_device_text.h"
#include "linux_hid_backend.h"
#include "main_window.h"
#include "ui_main_window.h"

namespace dmm {

namespace {

// The history keeps this many lines, the newest.
constexpr int kHistoryLines = 1000;

// Idle reports (without meter data) after which a silent cable is dropped.
constexpr int kIdleReportLimit = 1900;

}  // namespace

void MainWindow::createHidController() {
    hidBackend_ = options_.hidBackend;
    if (!hidBackend_) {
        systemHid_ = std::make_unique<LinuxHidBackend>();
        hidBackend_ = systemHid_.get();
    }
    QString why;
    if (!hidBackend_->watchChanges(&why)) {
        std::fprintf(stderr, "dmmview: %s: USB devices are looked for once, at start\n",
                     qPrintable(why));
    }
    hidController_ = new HidDeviceController(hidBackend_, this);
    hidController_->setObjectName(QStringLiteral("HidCtl"));
    hidController_->setDeviceReadWaitSlice(100);
    // Every data report adds a history line: with rows of one height, selecting the newest line
    // does not lay out all the others again.
    ui_->HistoryListBox->setUniformItemSizes(true);
    ui_->DevListBox->setUniformItemSizes(true);
}

void MainWindow::addHistoryLine(const QString& line) {
    ui_->HistoryListBox->addItem(line);
    while (ui_->HistoryListBox->count() > kHistoryLines) delete ui_->HistoryListBox->takeItem(0);
    ui_->HistoryListBox->setCurrentRow(ui_->HistoryListBox->count() - 1);
}

bool MainWindow::onHidDeviceListed(HidDevice* device, int index) {
    ui_->DevListBox->addItem(hidDeviceText(device));
    listedHidDevices_.push_back(hidController_->claimDevice(index));
    return true;
}

void MainWindow::onHidDeviceArrived(HidDevice* device) {
    addHistoryLine(QStringLiteral("Arrival of ") + hidDeviceText(device));
}

void MainWindow::onHidDeviceRemoved(HidDevice* device) {
    addHistoryLine(QStringLiteral("Removal of ") + hidDeviceText(device));
}

void MainWindow::releaseListedHidDevices() {
    currentHidDevice_ = nullptr;
    for (HidDevice*& device : listedHidDevices_) {
        HidDevice::release(std::exchange(device, nullptr));
    }
}

void MainWindow::onHidDevicesChanged(HidDeviceController*) {
    ui_->ReadBtn->setChecked(false);
    onCableReadToggled();
    releaseListedHidDevices();
    ui_->DevListBox->clear();
    listedHidDevices_.clear();
    hidController_->enumerateDevices();
    std::vector<QString> lines;
    for (int row = 0; row < ui_->DevListBox->count(); ++row)
        lines.push_back(ui_->DevListBox->item(row)->text());
    const int cable = cableLine(lines);
    if (cable >= 0) ui_->DevListBox->setCurrentRow(cable);
}

void MainWindow::onHidReadError(HidDevice*, std::uint32_t error) {
    addHistoryLine(
        QStringLiteral("READ ERROR: %1 (%2)")
            .arg(QString::fromLocal8Bit(hidErrorText(error).c_str()), hexText(error, 0)));
}

int MainWindow::selectedDeviceLine() const {
    const int row = ui_->DevListBox->currentRow();
    if (row < 0 || row >= ui_->DevListBox->count() || !ui_->DevListBox->item(row)->isSelected())
        return -1;
    return row;
}

void MainWindow::showCableOpenError(HidDevice* device) {
    if (!dialogs_) return;
    const HidError& e = device->openError();
    dialogs_->error(
        QStringLiteral("Could not open the USB cable %1: %2.\nInstall the udev rule that gives you "
                       "access to it (see \"USB cable\" in the README), then plug the cable in "
                       "again.")
            .arg(QString::fromStdString(device->identity().devicePath),
                 QString::fromLocal8Bit(e.text.empty() ? "no access" : e.text.c_str())));
}

HidDevice* MainWindow::pickSelectedDevice() {
    const int row = selectedDeviceLine();
    currentHidDevice_ = row < 0 ? nullptr : listedHidDevices_[static_cast<std::size_t>(row)];
    return currentHidDevice_;
}

void MainWindow::readSelectedDevice(QToolButton* button, const HidDataEvent& handler) {
    HidDevice* device = pickSelectedDevice();
    if (!device) return;
    if (!device->hasReadWriteAccess()) {
        // A cable the user may not open is said so, with what to do about it, instead of the
        // button lifting without a word.
        const bool pressed = button->isChecked();
        button->setChecked(false);
        if (pressed) showCableOpenError(device);
        return;
    }
    device->setDataHandler(button->isChecked() ? handler : HidDataEvent());
}

void MainWindow::onCableReadToggled() {
    readSelectedDevice(ui_->ReadBtn, HidDataEvent(this, &MainWindow::onCableReportSorn));
}

void MainWindow::onSendSetupReportClicked() {
    pickSelectedDevice();
    if (selectedDeviceLine() < 0) {
        ui_->USBCon->setChecked(false);
        if (dialogs_) {
            dialogs_->information(QStringLiteral(
                "USB interface cable is not securely connected, please check and re-try."));
        }
        return;
    }
    // Whether the cable took the report cannot be seen; the history shows it was sent.
    if (currentHidDevice_) currentHidDevice_->sendFeatureReport(kCableSetupReport, 10);
    // The line shows the ten bytes after the report ID, of an eleven-byte buffer that was all
    // zeros but for the report's bytes.
    QString line;
    for (int i = 1; i <= 10; ++i)
        line += hexText(i < 10 ? kCableSetupReport[i] : 0, 2) + QLatin1Char(' ');
    addHistoryLine(line);
}

void MainWindow::onUsbConnectToggled() {
    onCableReadToggled();
    onSendSetupReportClicked();
    core_.setIdleReportCount(0);
    readSelectedDevice(ui_->USBCon, HidDataEvent(this, &MainWindow::onCableReportKelt));
}

void MainWindow::onClearHistoryClicked() { ui_->HistoryListBox->clear(); }

void MainWindow::onOpenAnotherWindowClicked() {
    if (selectedDeviceLine() < 0) return;
    auto* other = new MainWindow(options_, dialogs_, this);
    other->setAttribute(Qt::WA_DeleteOnClose);
    other->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(other, &QObject::destroyed, &loop, &QEventLoop::quit);
    other->show();
    loop.exec();
}

void MainWindow::onCableReportKelt(HidDevice*, std::uint8_t reportId, const std::uint8_t* data,
                               std::uint16_t size) {
    core_.receiveKeltReport(reportId, data, size);
    afterCableReport();
}

void MainWindow::onCableReportSorn(HidDevice*, std::uint8_t reportId, const std::uint8_t* data,
                               std::uint16_t size) {
    core_.receiveSornReport(reportId, data, size);
    afterCableReport();
}

void MainWindow::afterCableReport() {
    // A data report leaves its line in the core's history; show the new ones.
    const BoundedLog& history = core_.history();
    const std::size_t total = history.size() + history.dropped();
    if (total != historyLinesSeen_) {
        addHistoryLine(QString::fromStdString(history.back()));
        historyLinesSeen_ = total;
    }
    ui_->USBtxt->setText(QString::fromStdString(core_.frameDiagnostic()));
    ui_->USBtxt1->setText(QString::fromStdString(core_.frameEndDiagnostic()));
}

void MainWindow::dropSilentCable() {
    if (core_.idleReportCount() < kIdleReportLimit) return;
    // The cable answers but the meter behind it sends nothing.
    core_.setIdleReportCount(0);
    ui_->USBCon->setChecked(false);
    if (currentHidDevice_) currentHidDevice_->setDataHandler({});
    if (dialogs_) {
        dialogs_->information(QStringLiteral(
            "USB interface cable is securely connected, please check if the meter is ready."));
    }
}

bool MainWindow::cableLinkActive() const {
    return currentHidDevice_ && (ui_->USBCon->isChecked() || ui_->ReadBtn->isChecked());
}

QString MainWindow::cableIndicatorTip() const {
    const FrameCounters& c = core_.counters();
    return QStringLiteral("USB cable (%1)\nframes decoded: %2, dropped: %3")
        .arg(QString::fromStdString(currentHidDevice_->identity().devicePath))
        .arg(c.decoded)
        .arg(c.dropped());
}

}  // namespace dmm
