// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cable_reports.h"

#include <algorithm>

#include "frame_assembler.h"

namespace dmm {

std::string cableFrameBytes(Family family, std::string_view serialFrame) {
    if (family == Family::Sorn || serialFrame.empty() || serialFrame.front() != '\n') {
        return std::string(serialFrame);
    }
    std::string bytes(serialFrame.substr(1));
    bytes.push_back('\n');
    return bytes;
}

std::vector<CableReport> cableReports(std::string_view meterBytes) {
    std::vector<CableReport> reports;
    for (std::size_t at = 0; at < meterBytes.size(); at += kCableBytesPerReport) {
        const std::size_t n = std::min(kCableBytesPerReport, meterBytes.size() - at);
        CableReport r(kCableReportLength, 0);
        r[1] = static_cast<std::uint8_t>(0xF0 | n);
        std::copy_n(meterBytes.begin() + static_cast<std::ptrdiff_t>(at), n, r.begin() + 2);
        reports.push_back(std::move(r));
    }
    reports.emplace_back(kCableReportLength, 0);
    return reports;
}

std::string cableReportLine(const CableReport& report) {
    std::string line;
    line.reserve(report.size() * 3);
    for (std::uint8_t b : report) {
        if (!line.empty()) line.push_back(' ');
        line.push_back(hexDigit(b >> 4));
        line.push_back(hexDigit(b));
    }
    return line;
}

CableReportLineRead readCableReportLine(std::string_view line, CableReport& bytes) {
    bytes.clear();
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::size_t i = 0;
    while (i < line.size()) {
        if (blank(line[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && !blank(line[end])) ++end;
        const std::string_view word = line.substr(i, end - i);
        i = end;
        const int high = digit(word[0]);
        const int low = word.size() == 2 ? digit(word[1]) : 0;
        if (word.size() > 2 || high < 0 || low < 0) {
            return {CableReportLineRead::Fault::NotAByte, word};
        }
        if (bytes.size() == kMaxCableReportLineBytes)
            return {CableReportLineRead::Fault::TooLong, {}};
        bytes.push_back(static_cast<std::uint8_t>(word.size() == 2 ? high * 16 + low : high));
    }
    if (bytes.empty()) return {CableReportLineRead::Fault::NoReportId, {}};
    return {};
}

}  // namespace dmm
