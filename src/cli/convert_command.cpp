#include <cstdio>

#include "commands.h"

int runConvert(const QStringList&) {
    std::fputs("dmmcli convert: not available in this build\n", stderr);
    return 2;
}
