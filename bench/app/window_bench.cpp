// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Times the running window: start-up to the first shown window, and the cost of one frame
// (decode, pipeline, record, chart point, and the repaint of what it changed) with 10^3, 10^5,
// 10^6 and 10^7 records and chart points already present, and the resident memory they take.
//
//   QT_QPA_PLATFORM=offscreen build/bench/app/dmmview_bench [largest-size] [frames-per-size]
//
// The records and points are put straight into the table and the chart (the grid told once),
// as a long recording would have left them, rather than through 10^7 frames. A frame's time
// runs from the bytes handed to the window to the end of the repaint of everything it changed.
#include <QAction>
#include <QApplication>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analog_scale.h"
#include "frame_encoder.h"
#include "lcd_view.h"
#include "main_window.h"
#include "record_grid.h"
#include "record_table_model.h"
#include "trend_chart.h"
#include "percentile.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string keltFrame(long n) {
    dmm::MeterDisplay d;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%05ld", 10000 + (n * 37) % 20000);
    d.digits = digits;
    d.decimals = 3;
    d.unit = "V";
    d.coupling = "DC";
    std::string bytes;
    dmm::encodeFrame(dmm::Family::Kelt, d, bytes);
    return bytes;
}

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

using dmm::bench::percentile;

// The window's display widgets, found once by their objectNames.
struct Displays {
    explicit Displays(const QWidget& window)
        : lcd(window.findChild<dmm::LcdView*>(QStringLiteral("lcdView"))),
          scale(window.findChild<dmm::AnalogScale*>(QStringLiteral("analogScale"))),
          chart(window.findChild<dmm::TrendChart*>(QStringLiteral("trendChart"))),
          grid(window.findChild<dmm::RecordGrid*>(QStringLiteral("recordGrid"))) {}
    dmm::LcdView* lcd;
    dmm::AnalogScale* scale;
    dmm::TrendChart* chart;
    dmm::RecordGrid* grid;
};

// Grows the table and the chart to `size` records and points, as readings would have.
void fillTo(dmm::MainWindow& window, const Displays& shown, std::size_t size) {
    dmm::RecordTable& table = window.recordTable();
    char value[16];
    std::vector<double> points;
    for (std::size_t i = table.size(); i < size; ++i) {
        std::snprintf(value, sizeof value, "%d.%03d", static_cast<int>(10 + i % 20), static_cast<int>(i % 1000));
        dmm::RecordValues r;
        r.no = static_cast<std::int32_t>(i + 1);
        r.timeMs = static_cast<std::int32_t>((i * 250) % 86400000);
        r.text = {std::string_view("DC"), std::string_view(value), std::string_view("V"),
                  std::string_view("AUTO")};
        table.append(r);
        points.push_back(static_cast<double>(10000 + (i * 37) % 20000));
        if (points.size() == 1 << 20) {
            shown.chart->appendPoints(points);
            points.clear();
        }
    }
    shown.chart->appendPoints(points);
    window.gridModel()->sync();
    shown.grid->setCurrentIndex(window.gridModel()->index(static_cast<int>(table.size()) - 1, 0));
    QApplication::processEvents();
}

struct FrameTimes {
    std::vector<double> perFrame;  // the whole frame, painting included
    std::vector<double> prePaint;  // decode, pipeline, record and chart point
};

// Kept out of line so that a profiler can count this part alone
// (valgrind --tool=callgrind --toggle-collect='*timeFrames*').
template <class Feed>
[[gnu::noinline]] FrameTimes timeFrames(const Displays& shown, Feed& feed, int samples) {
    FrameTimes t;
    for (int i = 0; i < samples; ++i) {
        const auto s = Clock::now();
        feed();
        const auto a = Clock::now();
        // What the event loop does next: paint everything the frame changed (LCD, needle,
        // bar, chart page, the grid's new row, the extremes), once.
        shown.lcd->update();
        shown.scale->update();
        shown.chart->update();
        QApplication::processEvents();
        const auto e = Clock::now();
        t.perFrame.push_back(std::chrono::duration<double, std::milli>(e - s).count());
        t.prePaint.push_back(std::chrono::duration<double, std::milli>(a - s).count());
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const auto appStart = Clock::now();
    QApplication app(argc, argv);
    const long largest = argc > 1 ? std::atol(argv[1]) : 10000000;
    const int samples = argc > 2 ? std::atoi(argv[2]) : 2000;

    // Start-up: the window built, shown and painted once.
    const auto t0 = Clock::now();
    dmm::MainWindow window(dmm::AppOptions{}, nullptr);
    window.show();
    window.repaint();
    QApplication::processEvents();
    const double startupMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    const double fromProcessMs = std::chrono::duration<double, std::milli>(Clock::now() - appStart).count();
    std::printf("start-up to first shown window: %.1f ms (%.1f ms including the application object)\n",
                startupMs, fromProcessMs);

    const Displays shown(window);
    window.findChild<QAction*>(QStringLiteral("recordLimitlessAction"))->trigger();
    std::vector<std::string> frames;
    for (long i = 0; i < 64; ++i) frames.push_back(keltFrame(i));
    long n = 0;
    auto feed = [&] {
        const std::string& f = frames[static_cast<std::size_t>(n++ % 64)];
        window.core().receiveKeltBytes(f.data(), static_cast<std::int32_t>(f.size()));
    };
    // The first reading changes the range and starts a new chart; the chart filled below stays.
    feed();
    QApplication::processEvents();
    const long emptyKiB = residentKiB();

    std::printf("%10s  %12s  %12s  %14s  %14s\n", "records", "median ms", "p99 ms",
                "pre-paint med", "pre-paint p99");
    for (long size : {1000L, 100000L, 1000000L, 10000000L}) {
        if (size > largest) break;
        fillTo(window, shown, static_cast<std::size_t>(size));
        for (int i = 0; i < 100; ++i) {  // settle: the page and the grid reach their steady state
            feed();
            QApplication::processEvents();
        }
        const std::size_t present = window.recordTable().size();
        const FrameTimes t = timeFrames(shown, feed, samples);
        std::printf("%10zu  %12.3f  %12.3f  %14.3f  %14.3f\n", present,
                    percentile(t.perFrame, 0.5), percentile(t.perFrame, 0.99),
                    percentile(t.prePaint, 0.5), percentile(t.prePaint, 0.99));
        std::fflush(stdout);
    }
    const long fullKiB = residentKiB();
    const std::size_t records = window.recordTable().size();
    std::printf("resident memory: %.1f MiB with the empty window, %.1f MiB with %zu records and %zu "
                "chart points: %.1f bytes per record\n",
                emptyKiB / 1024.0, fullKiB / 1024.0, records, shown.chart->model().pointCount(),
                (fullKiB - emptyKiB) * 1024.0 / static_cast<double>(records));
    return 0;
}
