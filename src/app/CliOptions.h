#pragma once

// The console commands' options as data. Each command declares its options in one table; one parser, one
// help writer and one error format serve all of them, so that what a command accepts, what its --help says
// and what its errors say cannot drift apart.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/HashKind.h"

namespace quorvane {

using TArgs = std::vector<std::string>;

struct TCliOption {
    std::string_view Names;  // "--quiet", or synonyms: "-h, --help"
    std::string_view Value;  // the name of its value in the help ("LIST"); empty: it takes none
    std::string_view Help;   // lines split by '\n'; empty: shares the help line of the option below it
    int Choice = 0;          // options with the same non-zero Choice exclude each other
};

struct TCliArgs;

struct TCliCommand {
    std::string_view Name;      // "check"
    std::string_view Synopsis;  // "[--quiet] LIST...", after "quorvane-cli check"
    std::string_view Summary;   // its line in the tool's own help
    std::string_view About;     // the help's lines below the usage line
    std::span<const TCliOption> Options;
    std::string_view Operand;   // what the arguments are: "no list file given"; "--": "... are list files"
    std::string_view Footer;    // the help's last lines
    int (*Run)(const TCliArgs& Args);
    int RequiredChoice = 0;     // one option of this Choice must be given
    bool OptionsFirst = false;  // the first operand ends the options, as "--" does
};

// One command's arguments, parsed.
struct TCliArgs {
    std::vector<std::pair<const TCliOption*, std::string>> Given; // the options in order, with their values
    TArgs Operands;

    bool Has(std::string_view Name) const;           // Name or one of its synonyms was given
    std::string Value(std::string_view Name) const;  // its last value; empty when not given
};

// Parses the arguments after the command's name. Returns the exit status when there is nothing to run: 0
// after printing the help (-h, --help), 2 after a usage error.
std::optional<int> ParseCliArgs(const TCliCommand& Command, const TArgs& Args, TCliArgs& Parsed);

// The value of "--jobs N" (1 to 64) into Jobs, which keeps its value when the option is not given. Returns
// the exit status after a usage error.
// The kind a command's kind option names (--sfv or --crc32, --md5, --sha1, --sha256, --sha512, --blake3);
// Default when none is given.
THashKind CliKindOf(const TCliArgs& Args, THashKind Default);

std::optional<int> CliJobsValue(const TCliCommand& Command, const TCliArgs& Args, int& Jobs);

// "quorvane-cli: NAME: Text" and "Try 'quorvane-cli NAME --help'." on standard error; returns 2.
int CliUsageError(const TCliCommand& Command, std::string_view Text);

// The text of "quorvane-cli NAME --help".
std::string CliHelpText(const TCliCommand& Command);

// A command's line in the tool's own help: "  NAME SYNOPSIS   SUMMARY".
std::string CliCommandLine(const TCliCommand& Command);

} // namespace quorvane
