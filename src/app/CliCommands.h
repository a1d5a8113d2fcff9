#pragma once

// The subcommands of quorvane-cli: each one's options, help and run, found by name by main.

#include "app/CliOptions.h"

namespace quorvane {

extern const TCliCommand ListCommand;    // quorvane-cli list [--tsv] LIST...
extern const TCliCommand HashCommand;    // quorvane-cli hash [--crc32|--md5] FILE...
extern const TCliCommand CheckCommand;   // quorvane-cli check [--quiet] LIST...
extern const TCliCommand CreateCommand;  // quorvane-cli create (--sfv|--md5) [-o LIST] [--force] PATH...

} // namespace quorvane
