#pragma once

#include <QString>

#include "cli_session.h"

namespace dmm {

// What `dmmcli record --usb` is asked besides the common options.
struct UsbRecordRequest {
    QString devicePath;          // --device PATH; empty: the cable, picked as the window does
    bool simulated = false;      // --demo: a simulated meter behind a simulated cable
    double durationSeconds = 0;  // --duration S; 0: until stopped
    QString outPath;             // --out FILE
};

// Logs the meter behind the USB interface cable: finds the cable, sends its set-up report,
// prints one line per decoded frame until Ctrl+C, the duration, or the cable is unplugged
// (which ends with status 1). Returns the exit status.
int recordFromCable(const CommonOptions& options, const UsbRecordRequest& request);

}  // namespace dmm
