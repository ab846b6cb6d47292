#pragma once

#include "record_request.h"

namespace dmm {

// Logs the meter behind the USB interface cable: finds the cable, sends its set-up report,
// prints one line per decoded frame until Ctrl+C, the duration, or the cable is unplugged
// (which ends with status 1). Returns the exit status.
int recordFromCable(const RecordRequest& request);

}  // namespace dmm
