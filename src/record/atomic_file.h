// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "byte_sink.h"

namespace dmm {

// Replaces the contents of `path` with `bytes` so that, whatever happens (disk full, no
// permission, the process killed half-way), the file afterwards holds either its old contents
// or all of the new ones: the bytes go to a temporary file beside the target, which is flushed
// to the disk and then renamed over it. An existing file keeps its permissions; a symbolic link
// keeps pointing where it did and the file it names is replaced. A target that exists and is
// not a regular file (a device, a pipe) is written directly.
//
// The temporary file has no name until it is complete where the file system allows it, so a
// process ended half-way, even by SIGKILL, leaves nothing behind. Elsewhere it is named
// ".NAME.dmmtmp.XXXXXX" and locked while it is written; such a file that nobody holds any more
// is removed by the next save into the same folder, and removeTemporaryFileBeingWritten()
// removes the one of a save under way.
//
// Returns false with the system's reason in `reason` when the file was not written.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* reason);

// The same, with the bytes made while writing: `produce` passes them to the sink it is given,
// piece by piece, and returns false when it stopped because the sink refused one (the sink then
// holds the system's reason). An exception from `produce` leaves the file as it was and is
// passed on.
bool writeFileAtomically(const std::string& path,
                         const std::function<bool(const ByteSink&)>& produce,
                         std::string* reason);

// Removes the named temporary file of the save under way, if there is one; safe to call in a
// signal handler, before a signal ends the process.
void removeTemporaryFileBeingWritten() noexcept;

// Whether temporary files may be made without a name (the default); off, they are named from
// the start, as on a file system that cannot do otherwise (for tests of that way).
void makeTemporaryFilesWithoutNames(bool on);

// Writes all of `bytes` to a file descriptor, retrying after interruptions and short writes.
bool writeAll(int fd, std::string_view bytes);

}  // namespace dmm
