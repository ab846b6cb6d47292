#include "runtime_dir_warning.h"

#include <QString>
#include <QtGlobal>

namespace dmm {

namespace {

QtMessageHandler passedOn = nullptr;

void dropRuntimeDirectoryWarning(QtMsgType type, const QMessageLogContext& context,
                                 const QString& message) {
    if (type == QtWarningMsg &&
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) {
        return;
    }
    passedOn(type, context, message);
}

}  // namespace

void silenceRuntimeDirectoryWarning() {
    if (passedOn == nullptr) passedOn = qInstallMessageHandler(dropRuntimeDirectoryWarning);
}

}  // namespace dmm
