#pragma once

namespace dmm {

// Keeps Qt from warning "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to ..." on
// standard error, as it does when a program starts outside a desktop session (ssh, cron,
// systemd) and the platform looks for its runtime folder: the folder Qt falls back to serves,
// and the line would only be noise among a command's messages. Every other message of Qt is
// passed on as before. Call before the application object is made.
void silenceRuntimeDirectoryWarning();

}  // namespace dmm
