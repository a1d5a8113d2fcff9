// quorvane-cli: the console companion of the desktop program, for scripts and headless machines.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "app/CliCommands.h"
#include "lists/ListReader.h"

using namespace quorvane;

namespace {

const char* const Usage =
    "Usage: quorvane-cli COMMAND [OPTION]... ARGUMENT...\n"
    "Reads, checks and writes SFV (CRC-32) and MD5 checksum lists.\n"
    "\n"
    "Commands:\n"
    "  list [--tsv] LIST...          print the records of the lists, as the desktop program reads them\n"
    "  hash [--crc32|--md5] FILE...  print a list entry line for each file (CRC-32 by default)\n"
    "  check [--quiet] LIST...       check every listed file: Good, Bad or Missing\n"
    "  create (--sfv|--md5) [-o LIST] [--force] PATH...\n"
    "                                write a list of the files of one folder\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Exit status: 0 success; 1 a file was Bad, Missing or unreadable; 2 usage or list errors;\n"
    "130 interrupted.\n";

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const std::string Command = argv[1];
    if (Command == "-h" || Command == "--help" || Command == "help") {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (Command == "-V" || Command == "--version") {
        std::printf("quorvane-cli (%s)\n", AppTitle);
        return 0;
    }
    TArgs Args(argv + 2, argv + argc);
    try {
        if (Command == "list")
            return RunListCommand(Args);
        if (Command == "hash")
            return RunHashCommand(Args);
        if (Command == "check")
            return RunCheckCommand(Args);
        if (Command == "create")
            return RunCreateCommand(Args);
    } catch (const std::exception& E) {
        std::fprintf(stderr, "quorvane-cli: %s\n", E.what());
        return 2;
    }
    std::fprintf(stderr, "quorvane-cli: unknown command '%s'\nTry 'quorvane-cli --help'.\n", Command.c_str());
    return 2;
}
