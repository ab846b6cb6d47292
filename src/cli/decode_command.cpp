#include <cstdio>

#include "commands.h"

int runDecode(const QStringList&) {
    std::fputs("dmmcli decode: not available in this build\n", stderr);
    return 2;
}
