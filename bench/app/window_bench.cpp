// Times the running window: start-up to the first shown window, the cost of one frame (decode,
// record, chart, repaint of the LCD, needle and chart page) with 10^5 records and chart points
// already present, and the resident memory after 10^6 recorded frames.
//
//   QT_QPA_PLATFORM=offscreen build/bench/app/dmmview_bench [frames-for-memory]
//
// A frame's time runs from the bytes handed to the window to the end of the repaint of
// everything it changed.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "analog_scale.h"
#include "frame_encoder.h"
#include "lcd_view.h"
#include "main_window.h"
#include "record_table_model.h"
#include "trend_chart.h"

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

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1));
    return v[i];
}

}  // namespace

int main(int argc, char** argv) {
    const auto appStart = Clock::now();
    QApplication app(argc, argv);
    const long memoryFrames = argc > 1 ? std::atol(argv[1]) : 1000000;

    // Start-up: the window built, shown and painted once.
    const auto t0 = Clock::now();
    dmm::TFCOMM window(dmm::AppOptions{}, nullptr);
    window.show();
    window.repaint();
    QApplication::processEvents();
    const double startupMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    const double fromProcessMs = std::chrono::duration<double, std::milli>(Clock::now() - appStart).count();
    std::printf("start-up to first shown window: %.1f ms (%.1f ms including the application object)\n",
                startupMs, fromProcessMs);

    // 10^5 records and chart points present.
    window.limitess->trigger();
    long n = 0;
    std::vector<std::string> frames;
    for (long i = 0; i < 64; ++i) frames.push_back(keltFrame(i));
    for (; n < 100000; ++n) {
        const std::string& f = frames[static_cast<std::size_t>(n % 64)];
        window.core().HKeltRData(f.data(), static_cast<std::int32_t>(f.size()));
    }
    QApplication::processEvents();
    std::printf("records: %zu, chart points: %zu\n", window.recordTable().size(),
                window.Chtshow->model().pointCount());

    // Per frame: decode, record, chart, and the repaint of the LCD, the needle and the page.
    std::vector<double> perFrame;
    const int samples = 3000;
    perFrame.reserve(samples);
    std::vector<double> decodeTimes;
    for (int i = 0; i < samples; ++i, ++n) {
        const std::string& f = frames[static_cast<std::size_t>(n % 64)];
        const auto s = Clock::now();
        window.core().HKeltRData(f.data(), static_cast<std::int32_t>(f.size()));
        const auto a = Clock::now();
        // What the event loop does next: paint everything the frame changed (LCD, needle,
        // bar, chart page, the grid's new row, the extremes), once.
        window.Panel1->update();
        window.KD->update();
        window.Chtshow->update();
        QApplication::processEvents();
        const auto e = Clock::now();
        perFrame.push_back(std::chrono::duration<double, std::milli>(e - s).count());
        decodeTimes.push_back(std::chrono::duration<double, std::milli>(a - s).count());
    }
    std::printf("  of which decode, pipeline, record, chart point: median %.3f ms, p99 %.3f ms\n",
                percentile(decodeTimes, 0.5), percentile(decodeTimes, 0.99));
    std::printf("per frame with 10^5 records present: median %.3f ms, p99 %.3f ms (%d frames)\n",
                percentile(perFrame, 0.5), percentile(perFrame, 0.99), samples);

    // Memory after many recorded frames (no repaint in between, as when the window is covered).
    const long before = residentKiB();
    const auto m0 = Clock::now();
    for (; static_cast<long>(window.recordTable().size()) < memoryFrames; ++n) {
        const std::string& f = frames[static_cast<std::size_t>(n % 64)];
        window.core().HKeltRData(f.data(), static_cast<std::int32_t>(f.size()));
        if (n % 10000 == 0) QApplication::processEvents();
    }
    QApplication::processEvents();
    const double secs = std::chrono::duration<double>(Clock::now() - m0).count();
    std::printf("resident memory after %zu recorded frames: %.1f MiB (%.1f MiB before the last %ld), %.0f frames/s\n",
                window.recordTable().size(), residentKiB() / 1024.0, before / 1024.0,
                memoryFrames - 100000 - samples, static_cast<double>(memoryFrames - 100000 - samples) / secs);
    return 0;
}
