#include <cstdio>

#include "app/CliCommands.h"

int RunHashCommand(const TArgs&) {
    std::fputs("quorvane-cli: hash is not available yet\n", stderr);
    return 2;
}
