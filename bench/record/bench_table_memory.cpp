// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Resident memory per record of the data table: records N readings (default 10,000,000, the
// "limitless" limit) through the recorder and divides the growth of the resident set by N.
//
// usage: bench_table_memory [N]

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "recorder.h"

namespace {

long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

}  // namespace

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000000;
    // Build the readings' texts before the first measurement, so only the table counts.
    dmm::MeterReading r;
    r.couplingText = "DC";
    r.unitText = "mV";
    r.rangeText = "AUTO";
    r.valueText.reserve(16);

    const long before = residentBytes();
    dmm::RecordTable table;
    dmm::FixedClock clock(0);
    dmm::Recorder recorder(table, &clock);
    recorder.setRecordLimit(dmm::RecordLimitItem::Limitless);
    recorder.setRecordLimit(static_cast<std::int32_t>(n));
    char buf[16];
    for (long i = 0; i < n; ++i) {
        const long v = (i * 7919) % 80000 - 40000;  // every value of the display, repeatedly
        std::snprintf(buf, sizeof buf, "%ld.%03ld", v / 1000, std::labs(v % 1000));
        r.valueText = buf;
        recorder.addReading(r, 0);
        clock.advance(250);
    }
    const long after = residentBytes();
    std::printf("%zu records, %zu distinct texts, resident growth %.1f MB, %.1f bytes per record\n",
                table.size(), table.distinctTexts(), (after - before) / 1e6,
                static_cast<double>(after - before) / static_cast<double>(table.size()));
    return table.size() == static_cast<std::size_t>(n) ? 0 : 1;
}
