// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// A simulated meter on a pseudo-terminal, read through the window's serial connection.
#include <QImage>
#include <QTest>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

#include <QMenu>

#include "analog_scale.h"
#include "segmented_bar.h"
#include "frame_encoder.h"
#include "lcd_view.h"
#include "panel_label.h"
#include "pty_pair.h"
#include "serial_port_driver.h"
#include "trend_chart.h"
#include "record_grid.h"
#include "window_fixture.h"
#include "window_snapshot.h"

namespace {

QByteArray keltFrame(const char* digits, int decimals, const char* unit, bool negative = false) {
    dmm::MeterDisplay d;
    d.digits = digits;
    d.decimals = decimals;
    d.negative = negative;
    d.unit = unit;
    d.coupling = "DC";
    std::string bytes, error;
    EXPECT_TRUE(dmm::encodeFrame(dmm::Family::Kelt, d, bytes, &error)) << error;
    return QByteArray::fromStdString(bytes);
}

int darkPixels(const QImage& img, QRect r) {
    r = r.intersected(img.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (qGray(img.pixel(x, y)) < 160) ++n;
        }
    }
    return n;
}

class SerialMeterTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        options.ports[1] = pty.slavePath();
        window = makeWindow(options);
        window->show();
        // The meter sends a frame every 100 ms while the test lets it.
        connect(&meter);
    }

    void connect(QTimer* timer) {
        timer->setInterval(100);
        QObject::connect(timer, &QTimer::timeout, [this] {
            const bool second = (sent++ / 5) % 2 == 1;
            pty.write(second ? keltFrame("12345", 3, "V") : keltFrame("01234", 3, "V"));
        });
    }

    PtyPair pty;
    dmm::AppOptions options;
    std::unique_ptr<dmm::MainWindow> window;
    QTimer meter;
    int sent = 0;
};

TEST_F(SerialMeterTest, ReadingsReachEveryDisplayAndTheIndicatorFollowsTheStream) {
    dmm::MainWindow& w = *window;
    const auto needleAtStart = control<dmm::AnalogScale>(w, "analogScale")->lastNeedle();
    meter.start();
    control<QToolButton>(w, "serialConnectButton")->click();
    ASSERT_TRUE(w.session().serialPortOpen()) << dialogs.last().toStdString();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    for (auto* p : portPanels(w)) EXPECT_FALSE(p->isEnabled());
    EXPECT_FALSE(control<QMenu>(w, "portMenu")->isEnabled());
    EXPECT_TRUE(control<QAction>(w, "connectAction")->isChecked());
    EXPECT_TRUE(control<QAction>(w, "disconnectAction")->isEnabled());

    ASSERT_TRUE(waitFor([&] { return w.core().counters().decoded >= 8; }));
    EXPECT_EQ(w.core().counters().dropped(), 0u);

    // The LCD shows what the model holds, and paints it.
    EXPECT_EQ(control<dmm::LcdView>(w, "lcdView")->panel(), w.core().panel());
    const dmm::MeterReading& r = w.core().reading();
    EXPECT_EQ(r.unitText, "V");
    EXPECT_TRUE(r.valueText == "12.345" || r.valueText == "01.234") << r.valueText;
    QImage lcd = control<dmm::LcdView>(w, "lcdView")->grab().toImage();
    EXPECT_GT(darkPixels(lcd, QRect(88, 30, 40, 82)), 100) << "digit LcdDa painted";
    EXPECT_GT(darkPixels(lcd, QRect(296, 80, 30, 35)), 10) << "volt sign painted";

    // Needle, bar, grid and chart moved with the readings.
    EXPECT_NE(control<dmm::AnalogScale>(w, "analogScale")->lastNeedle(), needleAtStart);
    EXPECT_EQ(control<dmm::SegmentedBar>(w, "barGraph")->value(), w.core().lastOutcome().bar);
    const auto* grid = control<dmm::RecordGrid>(w, "recordGrid");
    EXPECT_GE(grid->model()->rowCount(), 8);
    EXPECT_EQ(static_cast<std::size_t>(grid->model()->rowCount()), w.recordTable().size());
    EXPECT_EQ(grid->currentIndex().row(), grid->model()->rowCount() - 1)
        << "the grid follows the newest record";
    EXPECT_GE(control<dmm::TrendChart>(w, "trendChart")->model().pointCount(), 2u);
    EXPECT_FALSE(control<QLabel>(w, "linkLitPicture")->isHidden());
    EXPECT_TRUE(control<QLabel>(w, "linkDarkPicture")->isHidden());
    const QString tip = w.session().linkDescription();
    EXPECT_TRUE(tip.contains("COM1 (" + pty.slavePath() + ")")) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("frames decoded: %1, dropped: 0").arg(w.core().counters().decoded)))
        << tip.toStdString();

    // The meter falls silent: the indicator goes dark (on the third tick without a frame).
    meter.stop();
    EXPECT_TRUE(waitFor([&] { return !control<QLabel>(w, "linkDarkPicture")->isHidden(); }));
    EXPECT_TRUE(control<QLabel>(w, "linkLitPicture")->isHidden());

    // Disconnect: the port closes and the port panel can be used again.
    control<QToolButton>(w, "serialConnectButton")->click();
    EXPECT_FALSE(w.session().serialPortOpen()) << "nothing is read after disconnect";
    for (auto* p : portPanels(w)) EXPECT_TRUE(p->isEnabled());
    EXPECT_TRUE(control<QMenu>(w, "portMenu")->isEnabled());
    EXPECT_TRUE(control<QAction>(w, "disconnectAction")->isChecked());
    EXPECT_FALSE(control<QAction>(w, "disconnectAction")->isEnabled());
}

// One link at a time: "USB Connect" pressed while the port is open ends the serial connection.
TEST_F(SerialMeterTest, UsbConnectEndsTheSerialConnection) {
    dmm::MainWindow& w = *window;
    control<QToolButton>(w, "serialConnectButton")->click();
    ASSERT_TRUE(w.session().serialPortOpen());
    control<QToolButton>(w, "usbConnectButton")->click();
    EXPECT_FALSE(control<QToolButton>(w, "serialConnectButton")->isChecked());
    EXPECT_FALSE(w.session().serialPortOpen());
    for (auto* p : portPanels(w)) EXPECT_TRUE(p->isEnabled());
    EXPECT_FALSE(control<QToolButton>(w, "usbConnectButton")->isChecked()) << "no cable here";
    control<QToolButton>(w, "serialConnectButton")->click();
    EXPECT_TRUE(w.session().serialPortOpen());
}

// A picture of the running window holds the LCD, the scale, the chart and the grid where the
// layout puts them.
TEST_F(SerialMeterTest, ScreenshotShowsEveryDisplayArea) {
    dmm::MainWindow& w = *window;
    meter.start();
    control<QToolButton>(w, "serialConnectButton")->click();
    ASSERT_TRUE(waitFor([&] { return w.core().counters().decoded >= 12; }));
    meter.stop();
    const QImage shot = control<QWidget>(w, "client")->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(711, 485));
    struct Area {
        const char* what;
        QRect rect;
        int minimum;
    } areas[] = {
        {"LCD digits", QRect(40, 28 + 30, 240, 82), 1500},
        {"bar", QRect(0, 157, 334, 17), 100},
        {"grid rows", QRect(1, 220, 334, 200), 300},
        {"scale", QRect(337, 28, 371, 143), 500},
        {"chart", QRect(336, 172, 371, 309), 500},
        {"top strip", QRect(0, 0, 711, 27), 200},
    };
    for (const Area& a : areas) {
        EXPECT_GT(darkPixels(shot, a.rect), a.minimum) << a.what;
    }
    EXPECT_TRUE(dmm::saveWindowSnapshot(w, QStringLiteral("window_reading.png")));
}

}  // namespace

namespace {

// Each family's frames reach the window through the receive routine --family binds.
TEST_F(WindowTest, FamilyOptionBindsItsReceiveRoutine) {
    struct Row {
        dmm::Family family;
        const char* digits;
    } rows[] = {{dmm::Family::Kelt, "01234"}, {dmm::Family::Sorn, "1234"}, {dmm::Family::Brio, "1234"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(dmm::familyName(r.family)));
        PtyPair pty;
        ASSERT_TRUE(pty.ok());
        dmm::AppOptions options;
        options.family = r.family;
        options.ports[1] = pty.slavePath();
        auto w = makeWindow(options);
        control<QToolButton>(*w, "serialConnectButton")->click();
        ASSERT_TRUE(w->session().serialPortOpen());
        dmm::MeterDisplay d;
        d.digits = r.digits;
        d.decimals = 3;
        d.unit = "V";
        std::string bytes, error;
        ASSERT_TRUE(dmm::encodeFrame(r.family, d, bytes, &error)) << error;
        for (int i = 0; i < 3; ++i) pty.write(QByteArray::fromStdString(bytes));
        EXPECT_TRUE(waitFor([&] { return w->core().counters().decoded >= 2; }, 3000));
        EXPECT_EQ(w->core().reading().unitText, "V");
        EXPECT_EQ(control<QPlainTextEdit>(*w, "brioFramesText")->toPlainText().isEmpty(),
                  r.family != dmm::Family::Brio);
        // Only the Kelt display has a fifth digit; no stray digit stands before a 4-digit reading.
        const dmm::LcdPanel& lcd = control<dmm::LcdView>(*w, "lcdView")->panel();
        EXPECT_EQ(lcd.shown(dmm::LcdElement::Digit0), r.family == dmm::Family::Kelt);
        EXPECT_TRUE(lcd.shown(dmm::LcdElement::Digit1));
    }
}

}  // namespace
