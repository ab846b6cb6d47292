#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "atomic_file.h"
#include "cli_session.h"
#include "cli_usage.h"
#include "commands.h"
#include "runtime_dir_warning.h"
#include "stop_signals.h"

int main(int argc, char** argv) {
    // A file size limit makes a write fail with EFBIG, which the commands report, instead of
    // ending the process half-way through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    dmm::silenceRuntimeDirectoryWarning();
    const bool drawsText = argc > 1 && std::strcmp(argv[1], "report") == 0;
    const std::unique_ptr<QCoreApplication> app =
        drawsText ? dmm::makeGuiApplication(argc, argv)
                  : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dmmcli"));
    QStringList args = QCoreApplication::arguments().mid(1);
    const auto isHelp = [](const QString& a) {
        return a == QLatin1String("--help") || a == QLatin1String("-h");
    };
    if (args.isEmpty()) {
        std::fputs(dmm::programUsage(), stderr);
        return 2;
    }
    if (isHelp(args.front())) return dmm::printAnswer(dmm::programUsage());
    if (args.front() == QLatin1String("--version"))
        return dmm::printAnswer(dmm::programVersionLine());
    const QString command = args.takeFirst();
    const char* usage = dmm::commandUsage(command);
    if (!usage) {
        std::fprintf(stderr, "dmmcli: unknown command '%s'\n%s", dmm::printable(command).c_str(),
                     dmm::programUsage());
        return 2;
    }
    if (std::any_of(args.begin(), args.end(), isHelp)) return dmm::printAnswer(usage);
    // The commands without an event loop leave no temporary file when a stop signal ends them.
    if (command == QLatin1String("convert") || command == QLatin1String("report"))
        dmm::endOnStopSignals(&dmm::removeTemporaryFileBeingWritten);
    int status = 2;
    if (command == QLatin1String("decode")) status = dmm::runDecode(args);
    if (command == QLatin1String("record")) status = dmm::runRecord(args);
    if (command == QLatin1String("simulate")) status = dmm::runSimulate(args);
    if (command == QLatin1String("convert")) status = dmm::runConvert(args);
    if (command == QLatin1String("report")) status = dmm::runReport(args);
    if (command == QLatin1String("list")) status = dmm::runList(args);
    // Status 2: the command refused its arguments (and said why).
    if (status == 2) std::fputs(usage, stderr);
    return status;
}
