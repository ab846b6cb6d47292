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

}  // namespace dmm
