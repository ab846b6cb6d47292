// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Shows that the cost per frame does not grow with the frames already seen: the rate of a
// window of 10^6 frames right after the first 10^3 frames, and of one after 10^7 frames,
// in CPU time of one core.

#include <time.h>

#include <cstdio>

#include "bench_streams.h"
#include "meter_core.h"

namespace {

// Feeds whole streams until `frames` more frames are decoded; returns frames per second.
double rate(dmm::MeterCore& core, dmm::Family family, const std::vector<std::uint8_t>& stream,
            std::uint64_t frames) {
    const std::uint64_t target = core.counters().decoded + frames;
    // CPU time of this thread, so that other work on the machine does not count.
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    while (core.counters().decoded < target) {
        core.receiveBytes(family, stream.data(), static_cast<std::int32_t>(stream.size()));
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    const double s = static_cast<double>(b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) / 1e9;
    return static_cast<double>(frames) / s;
}

}  // namespace

int main() {
    const dmm::Family families[] = {dmm::Family::Kelt, dmm::Family::Sorn, dmm::Family::Brio};
    for (dmm::Family family : families) {
        const auto stream = benchStream(family);
        dmm::FixedClock clock(0);
        dmm::MeterCore core(nullptr, &clock);
        rate(core, family, stream, 1000);  // the first 10^3 frames
        const double early = rate(core, family, stream, 1000000);
        rate(core, family, stream, 10000000 - core.counters().decoded);  // up to 10^7
        const double late = rate(core, family, stream, 1000000);
        std::printf("%s: %.2f M frames/s after 10^3 frames, %.2f M frames/s after 10^7 frames\n",
                    std::string(dmm::familyName(family)).c_str(), early / 1e6, late / 1e6);
    }
    return 0;
}
