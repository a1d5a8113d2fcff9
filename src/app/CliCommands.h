#pragma once

// The subcommands of quorvane-cli. Each takes the arguments after its name and returns the exit status.

#include <string>
#include <vector>

namespace quorvane {

using TArgs = std::vector<std::string>;

int RunListCommand(const TArgs& Args);    // quorvane-cli list [--tsv] LIST...
int RunHashCommand(const TArgs& Args);    // quorvane-cli hash [--crc32|--md5] FILE...
int RunCheckCommand(const TArgs& Args);   // quorvane-cli check [--quiet] LIST...
int RunCreateCommand(const TArgs& Args);  // quorvane-cli create (--sfv|--md5) [-o LIST] [--force] PATH...

} // namespace quorvane
