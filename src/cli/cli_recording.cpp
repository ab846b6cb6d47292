#include "cli_recording.h"

#include <cstdio>

CliRecording::CliRecording(const dmm::MeterCore& core, const CommonOptions& options,
                           const dmm::Clock* clock)
    : core_(core),
      recorder_(table_, clock),
      timeFormat_(dmm::LongTimeFormat::fromLocale()),
      started_(std::chrono::steady_clock::now()) {
    recorder_.repeatSet = !options.noRepeat;
    recorder_.setRecordLimit(static_cast<std::int32_t>(options.limit));
    if (options.intervalSeconds) {
        recorder_.recordSI = true;
        // As in the window at start-up: the countdown is 0, so the first reading is recorded.
        recorder_.recordSITime = std::to_string(*options.intervalSeconds);
    }
}

void CliRecording::attach(FramePrinter& printer) {
    printer.recordHook = [this] { return record(); };
}

void CliRecording::catchUpTimer() {
    const auto due = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::steady_clock::now() - started_)
                         .count();
    for (; ticks_ < due; ++ticks_) recorder_.TrecordTimer();
}

std::optional<long long> CliRecording::record() {
    catchUpTimer();
    const auto no =
        recorder_.INDataToTable(core_.reading(), core_.state.readingTimeMs);
    if (no && file_ && !file_->recordsAppended() && !fileFailed_) {
        fileFailed_ = true;
        std::fprintf(stderr, "dmmcli: cannot write the recording: %s\n", file_->reason().c_str());
    }
    if (!no) return std::nullopt;
    return *no;
}

bool CliRecording::startFile(const std::string& path, std::string* reason) {
    file_ = dmm::LiveRecordingFile::start(path, table_, timeFormat_, reason);
    return file_ != nullptr;
}

bool CliRecording::finish(std::string* reason) {
    if (!file_) return true;
    const bool ok = file_->finish();
    if (!ok && reason) *reason = file_->reason();
    return ok;
}
