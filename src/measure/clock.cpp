// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clock.h"

#include <ctime>

namespace dmm {

std::int32_t SystemClock::timeOfDayMs() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    // The local offset is looked up once a minute; the rest is arithmetic, so stamping every
    // frame stays cheap.
    thread_local time_t cachedMinute = -1;
    thread_local long cachedOffset = 0;
    const time_t minute = ts.tv_sec / 60;
    if (minute != cachedMinute) {
        std::tm local{};
        localtime_r(&ts.tv_sec, &local);
        cachedOffset = local.tm_gmtoff;
        cachedMinute = minute;
    }
    const long long localSeconds = static_cast<long long>(ts.tv_sec) + cachedOffset;
    const long long secondOfDay = ((localSeconds % 86400) + 86400) % 86400;
    return static_cast<std::int32_t>(secondOfDay * 1000 + ts.tv_nsec / 1000000);
}

const SystemClock& SystemClock::instance() {
    static const SystemClock clock;
    return clock;
}

}  // namespace dmm
