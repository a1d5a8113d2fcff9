#include <cstdio>

#include "app/CliCommands.h"

int RunListCommand(const TArgs&) {
    std::fputs("quorvane-cli: list is not available yet\n", stderr);
    return 2;
}
