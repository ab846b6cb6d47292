// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "cli_session.h"
#include "live_recording_file.h"
#include "long_time_format.h"
#include "meter_session.h"
#include "record_table.h"
#include "recorder.h"

namespace dmm {

// The recorder behind dmmcli decode and record: the window's rules ("Repeat" ticked, no
// sampling, limit 10000) changed by --no-repeat, --interval S and --limit N, and optionally a
// file that keeps the recording on disk while it is taken (record --out FILE).
//
// Use: construct after configureCore, attach to the FramePrinter (which then fills record_no),
// startFile for --out, and finish at the end. The sampling timer is kept by the wall clock:
// each reading first catches up the one-second ticks that have passed, so no event loop is
// needed.
class CliRecording {
public:
    CliRecording(const MeterCore& core, const CommonOptions& options,
                 const Clock* clock = &SystemClock::instance());

    // The printer asks this recording for the record_no of every frame.
    void attach(FramePrinter& printer);

    // Offers the core's current reading to the recorder; the No of the record appended, if any.
    std::optional<long long> record();

    // Starts writing the recording to `path` (TAB text line by line, flushed per record; XML
    // rewritten atomically at least once a minute while records come, and at the end).
    // False with the reason when the file cannot be started. A write that fails later is said
    // once on standard error and tried again with the next record; when one succeeds, how
    // many records were late is said too.
    bool startFile(const std::string& path, std::string* reason);
    // The final write of the file, if there is one. False with the reason when it failed, or
    // when records are still missing from the file.
    bool finish(std::string* reason);

    const RecordTable& table() const { return table_; }
    Recorder& recorder() { return recorder_; }

private:
    void catchUpSamplingTicks();
    bool writeFile(bool last);

    const MeterCore& core_;
    RecordTable table_;
    Recorder recorder_;
    LongTimeFormat timeFormat_;
    std::unique_ptr<LiveRecordingFile> file_;
    std::size_t late_ = 0;  // records missing from the file since a write failed
    std::chrono::steady_clock::time_point started_;
    long long ticks_ = 0;
};

// A log taken from a meter session: its core set up by the options, the printer of its frames
// (flushed line by line) as the session's display, and the recording behind it.
struct MeterLog {
    MeterLog(MeterSession& session, const CommonOptions& options);
    ~MeterLog();
    MeterLog(const MeterLog&) = delete;
    MeterLog& operator=(const MeterLog&) = delete;

    MeterSession& session;
    FramePrinter printer;
    CliRecording recording;
};

}  // namespace dmm
