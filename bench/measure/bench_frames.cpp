// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Frames per second through frame assembly, decoder and pipeline, with a host that does
// nothing, for each family.

#include <benchmark/benchmark.h>

#include "bench_streams.h"
#include "meter_core.h"

namespace {

void framesThroughCore(benchmark::State& st, dmm::Family family) {
    const std::vector<std::uint8_t> stream = benchStream(family);
    dmm::FixedClock clock(0);
    dmm::MeterCore core(nullptr, &clock);
    std::uint64_t before = 0;
    for (auto _ : st) {
        for (std::size_t i = 0; i < stream.size(); i += 12) {  // ~12 bytes per 50 ms poll
            const std::size_t n = std::min<std::size_t>(12, stream.size() - i);
            core.receiveBytes(family, stream.data() + i, static_cast<std::int32_t>(n));
        }
        benchmark::DoNotOptimize(core.reading().value);
    }
    const std::uint64_t frames = core.counters().decoded - before;
    st.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    st.counters["dropped"] = static_cast<double>(core.counters().dropped());
}

BENCHMARK_CAPTURE(framesThroughCore, kelt, dmm::Family::Kelt);
BENCHMARK_CAPTURE(framesThroughCore, sorn, dmm::Family::Sorn);
BENCHMARK_CAPTURE(framesThroughCore, brio, dmm::Family::Brio);

}  // namespace

BENCHMARK_MAIN();
