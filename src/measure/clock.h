// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>

namespace dmm {

constexpr std::int32_t kMsPerDay = 24 * 60 * 60 * 1000;

// Source of the local time of day, injectable so that time stamps are exact in tests.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since local midnight, 0 .. kMsPerDay - 1.
    virtual std::int32_t timeOfDayMs() const = 0;
};

// The machine's local time.
class SystemClock final : public Clock {
public:
    std::int32_t timeOfDayMs() const override;
    static const SystemClock& instance();
};

// A clock that stands still until told otherwise.
class FixedClock final : public Clock {
public:
    explicit FixedClock(std::int32_t ms = 0) : ms_(ms) {}
    std::int32_t timeOfDayMs() const override { return ms_; }
    void set(std::int32_t ms) { ms_ = ms; }
    void advance(std::int32_t ms) { ms_ = (ms_ + ms) % kMsPerDay; }

private:
    std::int32_t ms_;
};

}  // namespace dmm
