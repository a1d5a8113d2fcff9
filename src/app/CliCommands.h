#pragma once

// The subcommands of quorvane-cli: each one's options, help and run, found by name by main.

#include <vector>

#include "app/CliOptions.h"

namespace quorvane {

extern const TCliCommand ListCommand;    // quorvane-cli list [--tsv] LIST...
extern const TCliCommand HashCommand;    // quorvane-cli hash [--crc32|--md5|--sha1|...] [--jobs N] FILE...
extern const TCliCommand CheckCommand;   // quorvane-cli check [--quiet] [--ignore-missing] [--jobs N] LIST...
extern const TCliCommand VerifyCommand;  // quorvane-cli verify FILE HASH
extern const TCliCommand CreateCommand;  // quorvane-cli create (--sfv|--md5|--sha1|--sha256|--sha512|--blake3) [-o LIST] [--force] [--jobs N] PATH...
#ifdef QUORVANE_DESKTOP
extern const TCliCommand DesktopCommand; // quorvane-cli desktop [--program PATH] ACTION [sfv|md5]...
// The desktop command's work: the desktop layer's in quorvane-cli-desktop, a hand-over to that program in
// quorvane-cli.
int RunDesktop(const TCliArgs& Args);
#endif

// The program's arguments as it was given them (for a hand-over to another program).
extern std::vector<char*> CliArgv;

} // namespace quorvane
