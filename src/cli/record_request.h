#pragma once

#include <QString>
#include <QStringList>

#include "cli_session.h"
#include "port_name_table.h"

namespace dmm {

// What `dmmcli record` is asked: read from its command line and checked before the meter is
// opened, then handed to the code that runs the log.
struct RecordRequest {
    CommonOptions options;
    PortNameTable portNames;     // with the mappings of --port COMn=PATH
    int port = 0;                // the serial port read, COM1..COM4 as 1..4; 0 with --usb
    bool reconnect = false;      // --reconnect: wait for a serial device that goes away
    bool usb = false;            // --usb: the USB interface cable instead of a serial port
    QString devicePath;          // --device PATH; empty: the cable, picked as the window does
    bool simulated = false;      // --demo: a simulated meter behind a simulated cable
    double durationSeconds = 0;  // --duration S; 0: until stopped
    QString outPath;             // --out FILE; empty: none
};

// Reads the arguments after "record" into `request`. Returns the message for arguments
// refused (the command then ends with status 2), or an empty string.
QString readRecordRequest(const QStringList& args, RecordRequest& request);

}  // namespace dmm
