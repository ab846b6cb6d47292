// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Timing of the display widgets under QT_QPA_PLATFORM=offscreen:
//   appending one reading to the trend chart while it follows its last page, with 10^2, 10^5
//   and 10^7 points already in the series; moveNeedle and drawScale on the standard scale panel.
//   QT_QPA_PLATFORM=offscreen display_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <vector>

#include "analog_scale.h"
#include "trend_chart.h"

namespace {

// The chart's window; destroyed in main, before the application object.
std::unique_ptr<QWidget> window;

double reading(std::size_t i) { return static_cast<double>((i * 7919) % 80001) - 40000.0; }

// The chart in its window, at the layout's size, filled to n points. Kept between runs of the
// same size, since filling 10^7 points takes a while.
dmm::TrendChart& chartWith(std::size_t n) {
    static dmm::TrendChart* chart = nullptr;
    static std::size_t filled = 0;
    if (!chart || filled > n) {
        window = std::make_unique<QWidget>();
        window->resize(711, 485);
        chart = new dmm::TrendChart(window.get());
        window->show();
        chart->startNewChart();
        chart->setValueAxis(-40000, 40000);
        filled = 1;
    }
    std::vector<double> values;
    values.reserve(1 << 16);
    while (filled < n) {
        values.clear();
        while (filled < n && values.size() < values.capacity()) values.push_back(reading(filled++));
        chart->appendPoints(values);
    }
    QApplication::processEvents();
    filled = n;
    return *chart;
}

void BM_ChartAppendFollowingLastPage(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    dmm::TrendChart& chart = chartWith(n);
    std::size_t i = chart.model().pointCount();
    for (auto _ : state) {
        chart.appendPoint(reading(i++));
    }
    state.counters["points"] = static_cast<double>(chart.model().pointCount());
    // Drop what the run added, so the next run starts from a chart of its own size.
    chartWith(0);
}
BENCHMARK(BM_ChartAppendFollowingLastPage)
    ->Arg(100)
    ->Arg(100000)
    ->Arg(10000000)
    ->Iterations(2000)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void BM_MoveNeedle(benchmark::State& state) {
    dmm::AnalogScale kd;
    kd.show();
    kd.drawScale();
    int p = 0;
    for (auto _ : state) {
        kd.moveNeedle(p);
        p = (p + 37) % 801;
    }
}
BENCHMARK(BM_MoveNeedle)->Unit(benchmark::kMicrosecond);

void BM_DrawScale(benchmark::State& state) {
    dmm::AnalogScale kd;
    kd.show();
    for (auto _ : state) kd.drawScale();
}
BENCHMARK(BM_DrawScale)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    window.reset();
    return 0;
}
