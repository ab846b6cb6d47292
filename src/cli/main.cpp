#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "commands.h"

namespace {

void usage() {
    std::fputs(
        "usage:\n"
        "  dmmcli decode   [--family kelt|sorn|brio] [--road serial|usb] [--decimal SEP]\n"
        "                  [--count-class 4|6|34|2] [--upper N] [--lower N] [--no-repeat]\n"
        "                  [--limit N] [FILE|-]\n"
        "  dmmcli record   (--port PATH|COMn | --usb [--device PATH] [--demo]) [--family ...]\n"
        "                  [--out FILE]\n"
        "                  [--interval S] [--no-repeat] [--limit N] [--duration S]\n"
        "                  [--reconnect]\n"
        "  dmmcli simulate [--family ...] (--pty | [--usb] --out FILE|-) [--rate HZ] [--frames N]\n"
        "                  [--seed N]\n"
        "  dmmcli convert  IN OUT\n"
        "  dmmcli report   IN OUT.pdf\n",
        stderr);
}

}  // namespace

int main(int argc, char** argv) {
    // A file size limit makes a write fail with EFBIG, which the commands report, instead of
    // ending the process half-way through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    const bool drawsText = argc > 1 && std::strcmp(argv[1], "report") == 0;
    const std::unique_ptr<QCoreApplication> app =
        drawsText ? makeGuiApplication(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dmmcli"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.front() == QLatin1String("--help") ||
        args.front() == QLatin1String("-h")) {
        usage();
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("decode")) return runDecode(args);
    if (command == QLatin1String("record")) return runRecord(args);
    if (command == QLatin1String("simulate")) return runSimulate(args);
    if (command == QLatin1String("convert")) return runConvert(args);
    if (command == QLatin1String("report")) return runReport(args);
    std::fprintf(stderr, "dmmcli: unknown command '%s'\n", qPrintable(command));
    usage();
    return 2;
}
