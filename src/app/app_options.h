#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

#include "broker_url.h"
#include "count_class.h"
#include "reading_state.h"

namespace dmm {

class HidBackend;

// What the command line asks of dmmview. Without arguments every field keeps its default and
// the program starts exactly in its standard configuration.
struct AppOptions {
    QMap<int, QString> ports;              // COMn -> device path (--port COMn=PATH)
    std::optional<Family> family;          // --family; none: the layout's model boxes decide
    const CountClass* countClass = &standardCountClass();  // --count-class
    bool demo = false;                     // --demo: simulated meter on a pseudo-terminal
    bool usb = false;                      // --usb (with --demo): the simulated meter on a cable
    HidBackend* hidBackend = nullptr;      // the HID devices to use; none: the system's
    QString screenshot;                    // --screenshot FILE
    int quitAfterMs = -1;                  // --quit-after MS
    // --publish URL: every reading shown goes to a broker too (--ca-file, --password-file,
    // --queue as for dmmcli record).
    std::optional<BrokerUrl> publishTo;
    // --subscribe URL: the meter another machine publishes there, read at start.
    std::optional<BrokerUrl> subscribeTo;
    QString caFile;
    QString passwordFile;
    std::size_t queueLimit = 100000;
    QString dataFile;                      // DATAFILE: opened at start as Open opens it
};

struct ParsedOptions {
    AppOptions options;
    QString error;       // non-empty: the arguments were refused, with this reason
    bool help = false;     // --help was given
    bool version = false;  // --version was given
};

// Parses the arguments after the program name.
ParsedOptions parseAppOptions(const QStringList& args);

// The arguments less the options that Qt's application object takes for itself (-platform,
// -style, -display... with one dash or two), with their values: what dmmview reads, known
// before any application object exists and whether or not the platform takes the option.
QStringList withoutQtOptions(const QStringList& args);

// The usage text printed for --help and after a refused argument.
QString appUsage();

// The answer to --version: the program's name and version, one line.
QString appVersionLine();

}  // namespace dmm
