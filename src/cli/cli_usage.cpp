#include "cli_usage.h"

#include <cstdio>

namespace dmm {

namespace {

struct CommandUsage {
    const char* name;
    const char* text;
};

// Options are listed one a line, as "--name VALUE", so that what the man page and the shell
// completion offer can be checked against them.
constexpr CommandUsage kCommands[] = {
    {"decode",
     "usage: dmmcli decode [options] [FILE|-]\n"
     "Runs captured meter bytes through the decoders and prints one TAB-separated line per\n"
     "decoded frame under a header line; a summary goes to standard error.\n"
     "  --family kelt|sorn|brio   meter family (default kelt)\n"
     "  --road serial|usb         FILE holds raw serial bytes (default) or HID input reports,\n"
     "                            one a line in hexadecimal, the report ID first\n"
     "  --decimal SEP             decimal separator (default: the locale's)\n"
     "  --count-class 4|6|34|2    display class: 40000, 6000, 3400 or 20000 counts (default 4)\n"
     "  --upper N                 upper alarm limit in counts; switches the alarm on\n"
     "  --lower N                 lower alarm limit in counts; switches the alarm on\n"
     "  --no-repeat               skip a reading equal to the last one recorded\n"
     "  --limit N                 most records (default 10000)\n"
     "  FILE                      the capture; - or none: standard input\n"},
    {"record",
     "usage: dmmcli record (--port PATH|COMn | --usb [--device PATH] [--demo] | --subscribe URL)\n"
     "                     [options]\n"
     "Logs a meter: one TAB-separated line per decoded frame, printed as it arrives, until\n"
     "Ctrl+C, --duration or the device goes away; a summary goes to standard error.\n"
     "  --port PATH|COMn          the serial port: a device path, or COM1..COM4 for the serial\n"
     "                            devices present (/dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*)\n"
     "  --port COMn=PATH          COMn stands for PATH (repeatable; given alone, chooses COMn)\n"
     "  --reconnect               with --port: wait for a device that goes away and read it\n"
     "                            again when it is back, instead of ending\n"
     "  --usb                     read the USB interface cable instead of a serial port\n"
     "  --device PATH             with --usb: the cable's hidraw device (default: found by name)\n"
     "  --demo                    with --usb: a simulated meter behind a simulated cable\n"
     "  --subscribe URL           a meter another machine publishes to a broker, read from\n"
     "                            mqtt[s]://[USER@]HOST[:PORT]/PREFIX\n"
     "  --family kelt|sorn|brio   meter family (default kelt; the cable: kelt or sorn)\n"
     "  --decimal SEP             decimal separator (default: the locale's)\n"
     "  --count-class 4|6|34|2    display class: 40000, 6000, 3400 or 20000 counts (default 4)\n"
     "  --upper N                 upper alarm limit in counts; switches the alarm on\n"
     "  --lower N                 lower alarm limit in counts; switches the alarm on\n"
     "  --duration S              stop after S seconds\n"
     "  --out FILE                keep the records in FILE as well (.xml: XML data packet,\n"
     "                            any other name: TAB text); a regular file or a new name\n"
     "  --interval S              record at most one reading every S seconds\n"
     "  --no-repeat               skip a reading equal to the last one recorded\n"
     "  --limit N                 most records (default 10000)\n"
     "  --format tsv|jsonl        the TAB-separated columns (default), or one JSON object per\n"
     "                            reading, as published\n"
     "  --publish URL             publish every reading to an MQTT broker:\n"
     "                            mqtt[s]://[USER@]HOST[:PORT]/PREFIX\n"
     "  --ca-file FILE            the CA of an mqtts broker (default: the system's CAs)\n"
     "  --password-file FILE      the broker's password, in a file only you may read (or set\n"
     "                            DMM_MQTT_PASSWORD)\n"
     "  --queue N                 readings kept while the broker is away (default 100000)\n"},
    {"simulate",
     "usage: dmmcli simulate [--family kelt|sorn|brio] (--pty | [--usb] --out FILE|-) [options]\n"
     "Sends the frames of a simulated meter; every frame sent to a pseudo-terminal or a file\n"
     "is listed on standard output.\n"
     "  --family kelt|sorn|brio   meter family (default kelt)\n"
     "  --pty                     send to a new pseudo-terminal; its path is the first line\n"
     "  --out FILE|-              write to FILE, or to standard output for -\n"
     "  --usb                     with --out: the USB cable's input reports, one a line in\n"
     "                            hexadecimal, instead of the serial bytes\n"
     "  --rate HZ                 frames per second, 0 to 10000 (default 2; 0: as fast as the\n"
     "                            output takes them)\n"
     "  --frames N                stop after N frames (default: until stopped)\n"
     "  --seed N                  vary the drift of the readings (same seed, same stream)\n"},
    {"convert",
     "usage: dmmcli convert IN OUT\n"
     "Converts a data file. The extension chooses each side's format: .xml the XML data\n"
     "packet, .xls, .txt (or, for OUT, any other) TAB text. OUT is replaced only once it is\n"
     "completely written; it may not be - or the file IN is.\n"},
    {"list",
     "usage: dmmcli list --broker URL [--ca-file FILE] [--password-file FILE]\n"
     "Lists the meters published on a broker, one a line: the topic prefix, online or offline,\n"
     "the last reading and its time, TAB-separated.\n"
     "  --broker URL              mqtt[s]://[USER@]HOST[:PORT][/PREFIX]: the broker, and the\n"
     "                            prefix under which to look (default: everywhere)\n"
     "  --ca-file FILE            the CA of an mqtts broker (default: the system's CAs)\n"
     "  --password-file FILE      the broker's password, in a file only you may read (or set\n"
     "                            DMM_MQTT_PASSWORD)\n"},
    {"report",
     "usage: dmmcli report IN OUT.pdf\n"
     "Writes the printed report of the records in IN (.xml: XML data packet; .xls, .txt: TAB\n"
     "text) as a PDF file. OUT is replaced only once it is completely written; it may not be -\n"
     "or the file IN is.\n"},
};

}  // namespace

const char* programUsage() {
    return "usage:\n"
           "  dmmcli decode   [--family kelt|sorn|brio] [--road serial|usb] [--decimal SEP]\n"
           "                  [--count-class 4|6|34|2] [--upper N] [--lower N] [--no-repeat]\n"
           "                  [--limit N] [FILE|-]\n"
           "  dmmcli record   (--port PATH|COMn | --usb [--device PATH] [--demo] | --subscribe "
           "URL)\n"
           "                  [--family ...] [--out FILE] [--format tsv|jsonl] [--interval S]\n"
           "                  [--no-repeat] [--limit N] [--duration S] [--reconnect]\n"
           "                  [--publish URL [--ca-file F] [--password-file F] [--queue N]]\n"
           "  dmmcli simulate [--family ...] (--pty | [--usb] --out FILE|-) [--rate HZ] [--frames "
           "N]\n"
           "                  [--seed N]\n"
           "  dmmcli convert  IN OUT\n"
           "  dmmcli report   IN OUT.pdf\n"
           "  dmmcli list     --broker URL\n"
           "  dmmcli COMMAND --help   a command's options\n"
           "  dmmcli --help | --version\n"
           "An option given twice counts with its last value; --opt=VALUE is --opt VALUE.\n";
}

const char* commandUsage(const QString& command) {
    for (const CommandUsage& c : kCommands) {
        if (command == QLatin1String(c.name)) return c.text;
    }
    return nullptr;
}

const char* programVersionLine() {
    return "dmmcli " DMM_VERSION "\n";
}

int printAnswer(const char* text) {
    std::fputs(text, stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace dmm
