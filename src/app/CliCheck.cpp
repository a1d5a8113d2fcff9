#include <cstdio>

#include "app/CliCommands.h"

int RunCheckCommand(const TArgs&) {
    std::fputs("quorvane-cli: check is not available yet\n", stderr);
    return 2;
}
