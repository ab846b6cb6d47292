// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bounded_log.h"
#include "clock.h"
#include "decoded_frame.h"
#include "frame_assembler.h"
#include "lcd_panel.h"
#include "meter_reading.h"
#include "pipeline_sink.h"
#include "reading_state.h"

namespace dmm {

// What the pipeline decided for the last decoded frame.
struct FrameOutcome {
    Family family = Family::Kelt;  // whose decoder read the frame
    int decimalPos = kNoDecimalPoint;
    bool rangeChange = false;
    bool alarm = false;
    int needle = 0;
    int bar = 0;
    double chart = 0.0;
};

struct FrameCounters {
    std::uint64_t decoded = 0;      // frames that ran through the pipeline
    std::uint64_t failedTest = 0;   // frames that failed their framing test
    std::uint64_t undecodable = 0;  // frames that passed the test but could not be decoded
    std::uint64_t dropped() const { return failedTest + undecodable; }
};

// The measurement core: frame assembly on both roads, the three decoders, the LCD panel model,
// the current reading and the post-decode pipeline. Plain C++, single-threaded; the caller
// serialises all calls.
//
// A frame that passes its framing test but cannot be decoded (a letter where a decimal digit
// is needed, a blank digit between two digits, no digit at all) is dropped whole before it
// changes any state, and counted in counters().undecodable.
class MeterCore {
public:
    explicit MeterCore(PipelineSink* sink = nullptr,
                       const Clock* clock = &SystemClock::instance());

    void setSink(PipelineSink* sink) { sink_ = sink ? sink : &nullSink_; }
    void setClock(const Clock* clock) { clock_ = clock; }

    MeterSettings settings;
    ReadingState state;

    // Serial road: one block of received bytes each, cut into frames of that family.
    void receiveSornBytes(const void* data, std::int32_t size);
    void receiveBrioBytes(const void* data, std::int32_t size);
    void receiveKeltBytes(const void* data, std::int32_t size);
    void receiveBytes(Family family, const void* data, std::int32_t size);

    // USB road: one HID input report each (data = the bytes after the report ID), into the
    // frame assembly of `family` (Kelt or Sorn; the cable carries no other family's frames).
    void receiveReport(Family family, std::uint8_t reportId, const std::uint8_t* data,
                       std::uint16_t size);
    void receiveSornReport(std::uint8_t reportId, const std::uint8_t* data, std::uint16_t size);
    void receiveKeltReport(std::uint8_t reportId, const std::uint8_t* data, std::uint16_t size);

    // The decoders, run on frameText(). They return false when the frame was dropped as
    // undecodable. Called by the assemblers; public for tests and tools.
    bool decodeKeltFrame();
    bool decodeSornFrame();
    bool decodeBrioFrame();
    bool decodeFrame(Family family);
    void setFrameText(std::string_view text) { frameText_.assign(text); }

    const std::string& frameText() const { return frameText_; }
    const LcdPanel& panel() const { return panel_; }
    const MeterReading& reading() const { return reading_; }
    const FrameOutcome& lastOutcome() const { return outcome_; }
    const FrameCounters& counters() const { return counters_; }

    // Diagnostics of the frames, for who wants to look into a link. frameDiagnostic: the last
    // frame's text (for a cable Kelt frame that fails its test, its high nibbles instead);
    // frameEndDiagnostic: the two characters a cable Kelt frame ends in, "DA" when it passes.
    const std::string& frameDiagnostic() const { return frameDiagnostic_; }
    const std::string& frameEndDiagnostic() const { return frameEndDiagnostic_; }
    BoundedLog& history() { return history_; }  // data reports (and USB events, added by link)
    const BoundedLog& history() const { return history_; }
    const BoundedLog& brioFrames() const { return brioFrames_; }  // every Brio frame's text

    int idleReportCount() const { return usb_.idleReportCount; }
    void setIdleReportCount(int n) { usb_.idleReportCount = n; }

    // Accumulator state, for tests.
    const SerialAssembler& serialAssembler() const { return serial_; }
    const UsbAssembler& usbAssembler() const { return usb_; }

private:
    void endSerialFrame(Family family);
    // Checks the numbers of a decoded frame and, when all can be formed, commits the frame and
    // runs the post-decode pipeline. False when the frame is dropped.
    bool runPipeline(DecodedFrame& frame);
    void advanceRecallClock();

    PipelineSink nullSink_;
    PipelineSink* sink_;
    const Clock* clock_;

    std::string frameText_;
    LcdPanel panel_;
    MeterReading reading_;
    FrameOutcome outcome_;
    FrameCounters counters_;

    SerialAssembler serial_;
    UsbAssembler usb_;
    std::string frameDiagnostic_;
    std::string frameEndDiagnostic_;
    BoundedLog history_{1000};
    BoundedLog brioFrames_{1000};
    std::string lineBuffer_;
    DecodedFrame scratch_;
};

}  // namespace dmm
