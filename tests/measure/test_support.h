// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "meter_core.h"

namespace dmm::test {

// Records what the pipeline asked of the rest of the program, in order.
class RecordingSink : public PipelineSink {
public:
    std::vector<std::string> calls;
    std::vector<int> needles, bars;
    std::vector<double> chart;
    int frames = 0, records = 0, rangeChanges = 0, beeps = 0;
    bool alarmShown = false;

    void frameSeen() override { calls.push_back("frameSeen"); }
    void frequencyModeChanged(bool on) override {
        calls.push_back(on ? "frequencyOn" : "frequencyOff");
    }
    void beep() override {
        ++beeps;
        calls.push_back("beep");
    }
    void showAlarm(bool on) override {
        alarmShown = on;
        calls.push_back(on ? "alarmOn" : "alarmOff");
    }
    void rangeChanged() override {
        ++rangeChanges;
        calls.push_back("rangeChanged");
    }
    void needle(int p) override {
        needles.push_back(p);
        calls.push_back("needle");
    }
    void record() override {
        ++records;
        calls.push_back("record");
    }
    void bar(int p) override {
        bars.push_back(p);
        calls.push_back("bar");
    }
    void chartPoint(double v) override {
        chart.push_back(v);
        calls.push_back("chart");
    }
    void frameDone() override {
        ++frames;
        calls.push_back("frameDone");
    }
};

// The bytes a Kelt meter sends for one FrameText's nine data characters: one byte per
// character carrying it in its low nibble, then CR LF.
inline std::vector<std::uint8_t> keltBytes(std::string_view nine, bool leadingLineFeed = true) {
    std::vector<std::uint8_t> out;
    if (leadingLineFeed) out.push_back(0x0A);
    for (char c : nine) {
        const int v = c <= '9' ? c - '0' : c - 'A' + 10;
        out.push_back(static_cast<std::uint8_t>(0x30 | v));
    }
    out.push_back(0x0D);
    return out;
}

// A Sorn frame: byte k carries the sequence number k in its high nibble.
inline std::vector<std::uint8_t> sornBytes(std::string_view fourteen) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < fourteen.size(); ++i) {
        const char c = fourteen[i];
        const int v = c <= '9' ? c - '0' : c - 'A' + 10;
        out.push_back(static_cast<std::uint8_t>(((i + 1) << 4) | static_cast<unsigned>(v)));
    }
    return out;
}

inline bool has(const LcdPanel& p, std::string_view name) {
    const LcdElementInfo* e = LcdPanel::find(name);
    return e && p.shown(e->id);
}

}  // namespace dmm::test
