// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include <sys/types.h>

#include "data_files.h"
#include "long_time_format.h"
#include "record_table.h"

namespace dmm {

// Keeps a recording on disk while it is taken, for a logger that may lose power at any time.
//
// TAB text: the header line is written when the file is started (by an atomic replace, so a
// start that fails leaves an existing file alone); then each new record is appended as one
// line and flushed to the disk at once, so a crash loses at most the reading being taken. A
// write that fails (disk full, file size limit) is cut back to the last whole line, and the
// records it held are written with the next ones: the file never holds a torn line.
// XML: the whole packet is rewritten atomically (never a half-written file) when at least
// `xmlInterval` has passed since the last rewrite, and at the end.
class LiveRecordingFile {
public:
    using Clock = std::chrono::steady_clock;

    // Starts the file; nullptr with the system's reason in `reason` when it cannot be started.
    static std::unique_ptr<LiveRecordingFile> start(
        const std::string& path, const RecordTable& table, const LongTimeFormat& fmt,
        std::string* reason, Clock::duration xmlInterval = std::chrono::minutes(1));
    ~LiveRecordingFile();

    LiveRecordingFile(const LiveRecordingFile&) = delete;
    LiveRecordingFile& operator=(const LiveRecordingFile&) = delete;

    // After records were appended to the table: writes what is new, with whatever an earlier
    // failed write left out (TAB text), or rewrites the packet when it is due (XML). Returns
    // false when writing failed; the reason is kept.
    bool recordsAppended();
    // For a periodic timer: rewrites the packet when it is due and something changed.
    bool poll();
    // The final write: the packet once more (XML), or closing the file (TAB text).
    bool finish();

    DataFileFormat format() const { return format_; }
    const std::string& reason() const { return reason_; }
    std::size_t recordsWritten() const { return written_; }

private:
    LiveRecordingFile(std::string path, const RecordTable& table, const LongTimeFormat& fmt,
                      DataFileFormat format, Clock::duration xmlInterval);
    bool rewritePacket();

    std::string path_;
    const RecordTable& table_;
    const LongTimeFormat& fmt_;
    DataFileFormat format_;
    Clock::duration xmlInterval_;
    Clock::time_point lastRewrite_;
    int fd_ = -1;
    std::size_t written_ = 0;  // records already in the file
    off_t wholeLines_ = 0;     // the file's size up to its last whole line
    bool torn_ = false;        // a part of a line follows that the file could not be cut back to
    std::string reason_;
    std::string line_;
};

}  // namespace dmm
