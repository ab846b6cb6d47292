#include <cstdio>

#include "commands.h"

int runSimulate(const QStringList&) {
    std::fputs("dmmcli simulate: not available in this build\n", stderr);
    return 2;
}
