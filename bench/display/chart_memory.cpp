// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Heap bytes per trend chart point: the chart's point store filled with 10^7 readings, measured
// with the C library's allocation statistics before and after.
//   chart_memory [POINTS]
#include <malloc.h>

#include <cstdio>
#include <cstdlib>

#include "trend_chart_model.h"

int main(int argc, char** argv) {
    const std::size_t points = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000000;
    const auto before = mallinfo2().uordblks;
    auto* model = new dmm::TrendChartModel();
    model->newChart();
    for (std::size_t i = 1; i < points; ++i) {
        model->append(static_cast<double>(static_cast<int>(i % 80001) - 40000));
    }
    const auto after = mallinfo2().uordblks;
    const double perPoint = static_cast<double>(after - before) / static_cast<double>(points);
    std::printf("points %zu  heap bytes %zu  bytes per point %.2f\n", model->pointCount(),
                static_cast<std::size_t>(after - before), perPoint);
    delete model;
    return perPoint <= 8.0 ? 0 : 1;
}
