#include <cstdio>

#include "app/CliCommands.h"

int RunCreateCommand(const TArgs&) {
    std::fputs("quorvane-cli: create is not available yet\n", stderr);
    return 2;
}
