#pragma once

#include <QString>

#include <optional>

#include "broker_url.h"
#include "cli_session.h"
#include "port_name_table.h"

namespace dmm {

// What `dmmcli record` is asked besides the common options.
struct RecordRequest {
    // The serial port: COMn (1-4) and the paths the names stand for; 0 with usb.
    PortNameTable portNames;
    int port = 0;
    bool reconnect = false;      // --reconnect: a device that goes away is waited for
    // The USB cable instead of a port.
    bool usb = false;
    QString devicePath;          // --device PATH; empty: the cable, chosen as the window does
    bool simulated = false;      // --demo: a simulated meter behind a simulated cable
    double durationSeconds = 0;  // --duration S; 0: until stopped
    QString outPath;             // --out FILE
    bool jsonLines = false;      // --format jsonl: one JSON object per reading, not the columns
    // --publish URL: every reading to a broker, with --ca-file, --password-file, --queue.
    std::optional<BrokerUrl> publishTo;
    // --subscribe URL: a meter another machine publishes, instead of a port or the cable.
    std::optional<BrokerUrl> subscribeTo;
    QString caFile;
    QString passwordFile;
    std::size_t queueLimit = 100000;
};

// Logs the meter of a session on the port or the cable: prints one line per decoded frame until
// Ctrl+C, SIGTERM, SIGHUP, the duration, or a link that ends (a device gone without
// --reconnect, a cable unplugged or unreadable: status 1). Returns the exit status.
int recordMeter(const CommonOptions& options, const RecordRequest& request);

}  // namespace dmm
