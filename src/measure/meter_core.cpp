// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "meter_core.h"

#include <algorithm>

namespace dmm {

namespace {

// Data report lines show at most this many data bytes. The cable's reports are far shorter;
// the bound only keeps a malformed report from making a huge history line.
constexpr std::size_t kMaxHistoryBytes = 256;

// The Sorn sequence numbers 1 to E in the high nibbles of one frame.
constexpr std::string_view kSornSequence = "123456789ABCDE";

void appendHexByte(std::string& s, std::uint8_t b) {
    s.push_back(hexDigit(b >> 4));
    s.push_back(hexDigit(b));
}

}  // namespace

MeterCore::MeterCore(PipelineSink* sink, const Clock* clock)
    : sink_(sink ? sink : &nullSink_), clock_(clock) {}

void MeterCore::receiveSornBytes(const void* data, std::int32_t size) {
    receiveBytes(Family::Sorn, data, size);
}

void MeterCore::receiveBrioBytes(const void* data, std::int32_t size) {
    receiveBytes(Family::Brio, data, size);
}

void MeterCore::receiveKeltBytes(const void* data, std::int32_t size) {
    receiveBytes(Family::Kelt, data, size);
}

void MeterCore::receiveBytes(Family family, const void* data, std::int32_t size) {
    if (data == nullptr || size <= 0) return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::int32_t i = 0; i < size; ++i) {
        const std::uint8_t b = bytes[i];
        const char high = hexDigit(b >> 4);
        const bool frameEnd = family == Family::Sorn ? high == 'E' : b == 0x0D;
        serial_.append(high, hexDigit(b));
        if (frameEnd) endSerialFrame(family);
    }
}

void MeterCore::endSerialFrame(Family family) {
    const std::string& low = serial_.lowNibbles;
    bool pass = false;
    switch (family) {
    case Family::Sorn:
        frameText_ = low;
        pass = !serial_.overlong() && serial_.highNibbles == kSornSequence;
        break;
    case Family::Brio:
        frameText_ = low;
        pass = low.size() >= 11 && low[0] == 'A' && low[10] == 'D';
        break;
    case Family::Kelt:
        frameText_.assign(low.size() > 1 ? std::string_view(low).substr(1, 9) : std::string_view{});
        frameText_.append("DA");
        frameDiagnostic_ = frameText_;
        pass = low.size() >= 11 && low[0] == 'A' && low[10] == 'D';
        break;
    }
    if (pass) {
        decodeFrame(family);
    } else {
        ++counters_.failedTest;
    }
    serial_.clear();
}

void MeterCore::receiveSornReport(std::uint8_t reportId, const std::uint8_t* data,
                                  std::uint16_t size) {
    receiveReport(Family::Sorn, reportId, data, size);
}

void MeterCore::receiveKeltReport(std::uint8_t reportId, const std::uint8_t* data,
                                  std::uint16_t size) {
    receiveReport(Family::Kelt, reportId, data, size);
}

void MeterCore::receiveReport(Family family, std::uint8_t reportId, const std::uint8_t* data,
                              std::uint16_t size) {
    if (data == nullptr) size = 0;
    // Only the low nibble of data byte 0 counts: 1 to 9 meter bytes follow it.
    const int count = size > 0 ? (data[0] & 0x0F) : -1;
    if (size > 0) ++usb_.idleReportCount;

    if (count >= 1 && count <= 9) {
        usb_.idleReportCount = 0;
        usb_.reportDataSeen = true;
        for (int k = 1; k <= count && k < size; ++k) {
            if (usb_.reportHexText.size() < 2 * kMaxFrameBytes) {
                appendHexByte(usb_.reportHexText, data[k]);
            }
        }
        std::string& line = lineBuffer_;
        line.assign("R ");
        appendHexByte(line, reportId);
        line.append("  ");
        const std::size_t shown = std::min<std::size_t>(size, kMaxHistoryBytes);
        for (std::size_t i = 0; i < shown; ++i) {
            appendHexByte(line, data[i]);
            line.push_back(' ');
        }
        history_.append(line);
        return;
    }

    if (usb_.reportDataSeen) {
        const std::size_t n = family == Family::Sorn ? 14 : 11;
        const std::string& hex = usb_.reportHexText;
        const std::size_t bytes = std::min(n, hex.size() / 2);
        std::string& high = lineBuffer_;
        high.clear();
        frameText_.clear();
        for (std::size_t i = 0; i < bytes; ++i) {
            high.push_back(hex[2 * i]);
            frameText_.push_back(hex[2 * i + 1]);
        }
        bool pass = false;
        if (family == Family::Sorn) {
            frameDiagnostic_ = frameText_;
            pass = high == kSornSequence;
        } else {
            frameDiagnostic_ = high;
            frameEndDiagnostic_.assign(frameText_.size() > 9
                                           ? std::string_view(frameText_).substr(9, 2)
                                           : std::string_view{});
            pass = frameEndDiagnostic_ == "DA";
        }
        if (pass) {
            decodeFrame(family);
        } else {
            ++counters_.failedTest;
        }
        usb_.reportHexText.clear();
    }
    usb_.reportDataSeen = false;
}

bool MeterCore::decodeFrame(Family family) {
    switch (family) {
    case Family::Kelt: return decodeKeltFrame();
    case Family::Sorn: return decodeSornFrame();
    case Family::Brio: return decodeBrioFrame();
    }
    return false;
}

bool MeterCore::decodeKeltFrame() {
    scratch_.reset(Family::Kelt, panel_);
    if (!decodeKelt(frameText_, state.localeDecimal, scratch_)) {
        ++counters_.undecodable;
        return false;
    }
    return runPipeline(scratch_);
}

bool MeterCore::decodeSornFrame() {
    scratch_.reset(Family::Sorn, panel_);
    if (!decodeSorn(frameText_, state.localeDecimal, settings, scratch_)) {
        ++counters_.undecodable;
        return false;
    }
    return runPipeline(scratch_);
}

bool MeterCore::decodeBrioFrame() {
    scratch_.reset(Family::Brio, panel_);
    if (!decodeBrio(frameText_, state.localeDecimal, settings, scratch_)) {
        ++counters_.undecodable;
        return false;
    }
    return runPipeline(scratch_);
}

}  // namespace dmm
