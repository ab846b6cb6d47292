// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The USB cable in the window, over scripted HID devices: "USB Connect", the device list and its
// selection, the set-up report, the history, the watchdog and the link indicator.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QListWidget>
#include <QTableView>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "cable_reports.h"
#include "frame_encoder.h"
#include "hid_device_controller.h"
#include "lcd_view.h"
#include "record_grid.h"
#include "simulated_cable.h"
#include "trend_chart.h"
#include "window_fixture.h"

namespace {

using dmm::FakeHidBackend;

const QString kSetupLine = QStringLiteral("60 09 00 00 03 00 00 00 00 00 ");
const QString kNotConnected =
    QStringLiteral("information: USB interface cable is not securely connected, please check and re-try.");

FakeHidBackend::Device device(const std::string& name, std::u16string product = u"USB to Serial") {
    FakeHidBackend::Device d = dmm::SimulatedCable::cableDevice();
    d.identity = "sys/" + name;
    d.path = "/dev/" + name;
    d.product = std::move(product);
    return d;
}

// The reports of one Kelt frame showing `digits` volts with three decimals.
std::vector<dmm::CableReport> keltReports(const char* digits) {
    dmm::MeterDisplay d;
    d.digits = digits;
    d.decimals = 3;
    d.unit = "V";
    d.coupling = "DC";
    std::string serial;
    EXPECT_TRUE(dmm::encodeFrame(dmm::Family::Kelt, d, serial));
    return dmm::cableReports(dmm::cableFrameBytes(dmm::Family::Kelt, serial));
}

class UsbCableTest : public WindowTest {
protected:
    // A window whose first device scan has run over the devices plugged so far.
    void open() {
        w = makeWindow();
        QSignalSpy listed(&w->session(), &dmm::MeterSession::devicesListed);
        w->show();
        ASSERT_TRUE(waitFor([&] { return listed.count() > 0; }));
    }
    QListWidget* deviceList() const { return control<QListWidget>(*w, "cableDeviceList"); }
    QListWidget* historyList() const { return control<QListWidget>(*w, "cableHistoryList"); }
    QToolButton* usbConnect() const { return control<QToolButton>(*w, "usbConnectButton"); }
    QStringList listLines() const {
        QStringList lines;
        for (int i = 0; i < deviceList()->count(); ++i) lines << deviceList()->item(i)->text();
        return lines;
    }
    QString selectedLine() const {
        auto items = deviceList()->selectedItems();
        return items.isEmpty() ? QString() : items.front()->text();
    }
    QStringList history() const {
        QStringList lines;
        for (int i = 0; i < historyList()->count(); ++i) lines << historyList()->item(i)->text();
        return lines;
    }
    void send(const std::string& path, const std::vector<dmm::CableReport>& reports) {
        for (const auto& r : reports) hid.queueReport(path, r);
    }

    std::unique_ptr<dmm::MainWindow> w;
};

TEST_F(UsbCableTest, UsbConnectSetsUpTheCableAndItsReadingsReachEveryDisplay) {
    hid.plug(device("cable"), false);
    open();
    EXPECT_EQ(listLines(), QStringList{"USB to Serial"});
    EXPECT_EQ(selectedLine(), "USB to Serial");
    EXPECT_EQ(history().front(), "Arrival of USB to Serial");

    usbConnect()->click();
    ASSERT_TRUE(usbConnect()->isChecked());
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.last().toStdString();
    const auto setup = hid.featureReports("/dev/cable");
    ASSERT_EQ(setup.size(), 1u);
    EXPECT_EQ(setup[0], (std::vector<std::uint8_t>{0, 0x60, 9, 0, 0, 3, 0, 0, 0, 0}));
    EXPECT_EQ(history().back(), kSetupLine);

    send("/dev/cable", keltReports("01234"));
    send("/dev/cable", keltReports("03210"));
    ASSERT_TRUE(waitFor([&] { return w->recordTable().size() == 2; }));
    EXPECT_EQ(w->core().reading().valueText, "03.210");
    EXPECT_EQ(control<dmm::RecordGrid>(*w, "recordGrid")->model()->rowCount(), 2);
    EXPECT_FALSE(control<QLabel>(*w, "linkLitPicture")->isHidden());
    EXPECT_EQ(control<QLabel>(*w, "frameEndDiagnosticLabel")->text(), "DA");
    EXPECT_TRUE(history().last().startsWith("R 00  F")) << history().last().toStdString();
    const QString tip = w->session().linkDescription();
    EXPECT_TRUE(tip.startsWith("USB cable (/dev/cable)\nframes decoded: 2")) << tip.toStdString();

    usbConnect()->click();  // release: the set-up report again, and the reader stops
    EXPECT_EQ(hid.featureReports("/dev/cable").size(), 2u);
    EXPECT_EQ(history().back(), kSetupLine);
    ASSERT_TRUE(w->session().currentCable());
    EXPECT_FALSE(w->session().currentCable()->reading()) << "nothing is read after the release";
    EXPECT_EQ(hid.openConnections("/dev/cable"), 1) << "only the list's own handle";
}

TEST_F(UsbCableTest, SelectionRuleAndDeviceTexts) {
    struct Row {
        const char* name;
        std::vector<FakeHidBackend::Device> devices;
        QStringList lines;
        QString selected;  // empty: no line selected, "USB Connect" refused
    };
    FakeHidBackend::Device withSerial = device("serial");
    withSerial.serial = u"A0001";
    withSerial.descriptor0 = std::vector<std::uint16_t>{0x0409, 0};
    FakeHidBackend::Device anonymous = device("anon", u"");
    anonymous.attributes = {0x0ABC, 0x0012, 1};
    const Row rows[] = {
        {"no device", {}, {}, ""},
        {"two cables: the later one", {device("one"), anonymous, device("two")},
         {"USB to Serial", "Device VID=0ABC PID=0012", "USB to Serial"}, "USB to Serial"},
        {"a cable with a serial number is not the cable", {withSerial}, {"USB to Serial (Serial=A0001)"}, ""},
        {"other products are not the cable", {device("x", u"USB to Serial 2")}, {"USB to Serial 2"}, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (const auto& d : r.devices) hid.plug(d, false);
        dialogs.shown.clear();
        open();
        EXPECT_EQ(listLines(), r.lines);
        EXPECT_EQ(selectedLine(), r.selected);
        w->core().setIdleReportCount(5);
        usbConnect()->click();
        EXPECT_EQ(usbConnect()->isChecked(), !r.selected.isEmpty());
        EXPECT_EQ(w->core().idleReportCount(), 0);
        if (r.selected.isEmpty()) {
            EXPECT_EQ(dialogs.last(), kNotConnected);
        } else {
            EXPECT_EQ(hid.featureReports("/dev/two").size(), 1u) << "the later cable is connected";
            EXPECT_EQ(hid.featureReports("/dev/one").size(), 0u);
        }
        w.reset();
        for (const auto& d : r.devices) hid.unplug(d.path, false);
    }
}

TEST_F(UsbCableTest, CableWithoutAccessIsReportedWithWhatToDo) {
    FakeHidBackend::Device locked = device("hidraw3");
    locked.readWrite = false;
    hid.plug(locked, false);
    open();
    EXPECT_EQ(selectedLine(), "USB to Serial") << "listed through its identification";
    usbConnect()->click();
    EXPECT_FALSE(usbConnect()->isChecked());
    ASSERT_FALSE(dialogs.shown.isEmpty());
    EXPECT_EQ(dialogs.shown.back().kind, "error");
    EXPECT_TRUE(dialogs.shown.back().text.contains("/dev/hidraw3"));
    EXPECT_TRUE(dialogs.shown.back().text.contains("Permission denied"));
    EXPECT_TRUE(dialogs.shown.back().text.contains("udev rule"));
}

// A cable whose meter stays silent is dropped by the watchdog: the button lifts and the window
// says what to check (the limit itself is the session's, tested there).
TEST_F(UsbCableTest, ASilentCableLiftsUsbConnectWithAMessage) {
    hid.plug(device("cable"), false);
    open();
    usbConnect()->click();
    ASSERT_TRUE(usbConnect()->isChecked());
    w->core().setIdleReportCount(dmm::MeterSession::kIdleReportLimit);
    ASSERT_TRUE(waitFor([&] { return !usbConnect()->isChecked(); }));
    EXPECT_FALSE(w->session().currentCable()->reading());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.last(), "information: USB interface cable is securely connected, please check if the meter is ready.");
}

TEST_F(UsbCableTest, UnplugEmptiesTheSelectionAndDarkensTheIndicator) {
    hid.plug(device("cable"), false);
    open();
    usbConnect()->click();
    send("/dev/cable", keltReports("01234"));
    ASSERT_TRUE(waitFor([&] { return !control<QLabel>(*w, "linkLitPicture")->isHidden(); }));
    hid.unplug("/dev/cable");
    ASSERT_TRUE(waitFor([&] { return history().contains("Removal of USB to Serial"); }));
    EXPECT_EQ(listLines(), QStringList{});
    EXPECT_EQ(selectedLine(), "");
    EXPECT_TRUE(usbConnect()->isChecked()) << "the button keeps its state";
    ASSERT_TRUE(waitFor([&] { return control<QLabel>(*w, "linkLitPicture")->isHidden(); }));

    hid.plug(device("cable2"));
    ASSERT_TRUE(waitFor([&] { return selectedLine() == "USB to Serial"; }));
    EXPECT_EQ(hid.openConnections("/dev/cable2"), 0) << "reading resumes only on a new press";
}

TEST_F(UsbCableTest, HistoryKeepsTheNewestThousandLinesAndReadErrorsShowTheirCode) {
    hid.plug(device("cable"), false);
    open();
    usbConnect()->click();
    // Gone without a word from the system: the reader cannot open it again, which it says.
    hid.unplug("/dev/cable", false);
    ASSERT_TRUE(waitFor([&] { return history().back().startsWith("READ ERROR"); }));
    EXPECT_EQ(history().back(), "READ ERROR: No such file or directory (2)");
    for (int i = 0; i < 1200; ++i) w->onSendSetupReportClicked();
    EXPECT_EQ(historyList()->count(), 1000);
    EXPECT_EQ(historyList()->currentRow(), 999);
    control<QToolButton>(*w, "clearHistoryButton")->click();
    EXPECT_EQ(historyList()->count(), 0);
}

// One link at a time: "COM Connect" pressed while the cable is read stops the cable's reader.
TEST_F(UsbCableTest, ComConnectStopsTheCable) {
    hid.plug(device("cable"), false);
    open();
    usbConnect()->click();
    ASSERT_TRUE(w->session().currentCable()->reading());
    dialogs.saveNames.clear();
    control<QToolButton>(*w, "serialConnectButton")
        ->click();  // no serial device here: the port cannot open, which is reported
    EXPECT_FALSE(usbConnect()->isChecked());
    EXPECT_FALSE(w->session().currentCable()->reading());
}

}  // namespace

namespace {

// "Info" opens a second main window over the first, modal, and destroys it when it is closed;
// without a selected device it does nothing.
TEST_F(UsbCableTest, InfoOpensAModalSecondWindowOnlyWithADeviceSelected) {
    open();
    control<QToolButton>(*w, "openAnotherWindowButton")->click();  // no device: returns at once
    hid.plug(device("cable"));
    ASSERT_TRUE(waitFor([&] { return selectedLine() == "USB to Serial"; }));
    int seen = 0;
    QTimer::singleShot(100, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* other = qobject_cast<dmm::MainWindow*>(top);
            if (other && other != w.get() && other->isVisible()) {
                ++seen;
                EXPECT_TRUE(other->isModal());
                other->close();
            }
        }
    });
    control<QToolButton>(*w, "openAnotherWindowButton")->click();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(w->findChildren<dmm::MainWindow*>().size(), 0) << "destroyed when closed";
}

}  // namespace
