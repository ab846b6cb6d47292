// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "live_recording_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "atomic_file.h"
#include "data_packet_xml.h"
#include "tab_text.h"

namespace dmm {

LiveRecordingFile::LiveRecordingFile(std::string path, const RecordTable& table,
                                     const LongTimeFormat& fmt, DataFileFormat format,
                                     Clock::duration xmlInterval)
    : path_(std::move(path)),
      table_(table),
      fmt_(fmt),
      format_(format),
      xmlInterval_(xmlInterval),
      lastRewrite_(Clock::now()) {}

LiveRecordingFile::~LiveRecordingFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<LiveRecordingFile> LiveRecordingFile::start(const std::string& path,
                                                            const RecordTable& table,
                                                            const LongTimeFormat& fmt,
                                                            std::string* reason,
                                                            Clock::duration xmlInterval) {
    std::unique_ptr<LiveRecordingFile> f(
        new LiveRecordingFile(path, table, fmt, dataFileFormatOf(path), xmlInterval));
    if (f->format_ == DataFileFormat::Xml) {
        if (!f->rewritePacket()) {
            if (reason) *reason = f->reason_;
            return nullptr;
        }
        return f;
    }
    const auto text = [&](const ByteSink& sink) { return writeTabText(table, fmt, sink); };
    if (!writeFileAtomically(path, text, reason)) return nullptr;
    f->written_ = table.size();
    f->fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    struct stat st{};
    if (f->fd_ < 0 || ::fstat(f->fd_, &st) != 0) {
        if (reason) *reason = std::strerror(errno);
        return nullptr;
    }
    f->wholeLines_ = st.st_size;
    return f;
}

bool LiveRecordingFile::rewritePacket() {
    lastRewrite_ = Clock::now();
    std::string why;
    const auto packet = [this](const ByteSink& sink) { return writeDataPacket(table_, sink); };
    if (!writeFileAtomically(path_, packet, &why)) {
        reason_ = std::move(why);
        return false;
    }
    written_ = table_.size();
    return true;
}

bool LiveRecordingFile::recordsAppended() {
    if (format_ == DataFileFormat::Xml) return poll();
    if (fd_ < 0) return false;
    if (table_.size() < written_) written_ = 0;  // the table was emptied: continue with it
    if (table_.size() == written_ && !torn_) return true;
    // A write that failed half-way left part of a line: it goes before anything is added, so
    // that the file only ever holds whole lines.
    if (torn_ && ::ftruncate(fd_, wholeLines_) != 0) {
        reason_ = std::strerror(errno);
        return false;
    }
    torn_ = false;
    line_.clear();
    for (std::size_t i = written_; i < table_.size(); ++i) appendTabLine(line_, table_[i], fmt_);
    if (!writeAll(fd_, line_) || ::fdatasync(fd_) != 0) {
        reason_ = std::strerror(errno);
        torn_ = true;
        if (::ftruncate(fd_, wholeLines_) == 0) torn_ = false;
        return false;
    }
    wholeLines_ += static_cast<off_t>(line_.size());
    written_ = table_.size();
    return true;
}

bool LiveRecordingFile::poll() {
    if (format_ != DataFileFormat::Xml) return true;
    if (table_.size() == written_) return true;
    if (Clock::now() - lastRewrite_ < xmlInterval_) return true;
    return rewritePacket();
}

bool LiveRecordingFile::finish() {
    if (format_ == DataFileFormat::Xml) return rewritePacket();
    const bool ok = recordsAppended();
    if (fd_ >= 0) {
        if (::close(fd_) != 0 && ok) {
            reason_ = std::strerror(errno);
            fd_ = -1;
            return false;
        }
        fd_ = -1;
    }
    return ok;
}

}  // namespace dmm
