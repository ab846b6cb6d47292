#include <QApplication>

#include <csignal>

#include "app_runner.h"
#include "runtime_dir_warning.h"

int main(int argc, char** argv) {
    if (const auto status = dmm::answerWithoutWindow(argc, argv)) return *status;
    // A file size limit makes a write fail with EFBIG, so a save reports it (and removes its
    // temporary file) instead of the process ending half-way through the file.
    std::signal(SIGXFSZ, SIG_IGN);
    dmm::silenceRuntimeDirectoryWarning();
    QApplication app(argc, argv);
    return dmm::runDmmview(app);
}
