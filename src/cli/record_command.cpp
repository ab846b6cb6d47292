#include <cstdio>

#include "commands.h"

int runRecord(const QStringList&) {
    std::fputs("dmmcli record: not available in this build\n", stderr);
    return 2;
}
