// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reading_state.h"

namespace dmm {

// The USB interface cable passes the meter's bytes to the computer inside HID input reports of
// a fixed length: the report ID (0), then a count byte whose low nibble says how many meter
// bytes follow (1 to 7 here; the high nibble is set, as the cable sends it), then those bytes,
// then zero padding. When the meter pauses between two frames the cable sends a report whose
// count is 0, which is how a frame's end is seen on this road.
constexpr std::size_t kCableReportLength = 9;     // report ID + count byte + 7 meter bytes
constexpr std::size_t kCableBytesPerReport = 7;

using CableReport = std::vector<std::uint8_t>;

// The meter bytes of one frame as they travel through the cable. The serial stream of Kelt and
// Brio frames starts each frame with the previous frame's line feed; through the cable a frame
// is its own bytes up to and including that line feed (Sorn frames are sent as they are).
std::string cableFrameBytes(Family family, std::string_view serialFrame);

// The reports that carry `meterBytes`, followed by one report with count 0.
std::vector<CableReport> cableReports(std::string_view meterBytes);

// A report as one text line of upper-case hexadecimal bytes separated by spaces, the report ID
// first: the form `dmmcli decode --road usb` reads.
std::string cableReportLine(const CableReport& report);

// Reads such a line back: words of one or two hexadecimal digits (either case) separated by
// blanks or tabs, at most kMaxCableReportLineBytes of them, at least the report ID.
constexpr std::size_t kMaxCableReportLineBytes = 0x10000;
struct CableReportLineRead {
    enum class Fault { None, NotAByte, NoReportId, TooLong };
    Fault fault = Fault::None;
    std::string_view badWord;  // the word that is not a byte (NotAByte), within the line
};
CableReportLineRead readCableReportLine(std::string_view line, CableReport& bytes);

}  // namespace dmm
