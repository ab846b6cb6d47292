#include "cli_recording.h"

#include <algorithm>
#include <cstdio>

namespace dmm {

CliRecording::CliRecording(const MeterCore& core, const CommonOptions& options,
                           const Clock* clock)
    : core_(core),
      recorder_(table_, clock),
      timeFormat_(LongTimeFormat::fromLocale()),
      started_(std::chrono::steady_clock::now()) {
    recorder_.recordRepeats = !options.noRepeat;
    recorder_.setRecordLimit(static_cast<std::int32_t>(options.limit));
    if (options.intervalSeconds) {
        recorder_.sampleByInterval = true;
        // As in the window at start-up: the countdown is 0, so the first reading is recorded.
        recorder_.intervalText = std::to_string(*options.intervalSeconds);
    }
}

void CliRecording::attach(FramePrinter& printer) {
    printer.recordHook = [this] { return record(); };
}

void CliRecording::catchUpSamplingTicks() {
    const auto due = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::steady_clock::now() - started_)
                         .count();
    for (; ticks_ < due; ++ticks_) recorder_.onSamplingTick();
}

std::optional<long long> CliRecording::record() {
    catchUpSamplingTicks();
    const auto no =
        recorder_.addReading(core_.reading(), core_.state.readingTimeMs);
    if (no && file_) writeFile(false);
    if (!no) return std::nullopt;
    return *no;
}

bool CliRecording::writeFile(bool last) {
    const std::size_t pending = table_.size() - std::min(table_.size(), file_->recordsWritten());
    if (last ? file_->finish() : file_->recordsAppended()) {
        if (late_ > 0) {
            std::fprintf(stderr, "dmmcli record: the recording is written again; %zu %s late\n",
                         late_, late_ == 1 ? "record was" : "records were");
            late_ = 0;
        }
        return true;
    }
    // Said once; the records left out are written with the next ones.
    if (late_ == 0 && !last) {
        std::fprintf(
            stderr,
            "dmmcli record: cannot write the recording: %s; trying again with the next record\n",
            file_->reason().c_str());
    }
    late_ = std::max<std::size_t>(pending, 1);
    return false;
}

bool CliRecording::startFile(const std::string& path, std::string* reason) {
    file_ = LiveRecordingFile::start(path, table_, timeFormat_, reason);
    return file_ != nullptr;
}

bool CliRecording::finish(std::string* reason) {
    if (!file_) return true;
    const bool ok = writeFile(true);
    if (!ok && reason) *reason = file_->reason();
    return ok;
}

MeterLog::MeterLog(MeterSession& meter, const CommonOptions& options)
    : session(meter),
      printer(meter.core(), stdout, true),
      recording(meter.core(), options, &meter.readingClock()) {
    configureCore(session.core(), options);
    recording.attach(printer);
    session.setDisplay(&printer);
}

MeterLog::~MeterLog() { session.setDisplay(nullptr); }

}  // namespace dmm
