// quorvane-cli: the console companion of the desktop program, for scripts and headless machines.

#include <cstdio>
#include <exception>
#include <string>

#include "app/CliCommands.h"
#include "app/CliOutput.h"
#include "util/Version.h"

using namespace quorvane;

namespace {

const TCliCommand* const Commands[] = {&ListCommand, &HashCommand, &CheckCommand, &VerifyCommand, &CreateCommand,
#ifdef QUORVANE_DESKTOP
                                       &DesktopCommand,
#endif
};

std::string Usage() {
    std::string Text = "Usage: quorvane-cli COMMAND [OPTION]... ARGUMENT...\n"
                       "Reads, checks and writes checksum lists: SFV (CRC-32), MD5, SHA-1, SHA-256, SHA-512, BLAKE3.\n"
                       "\n"
                       "Commands:\n";
    for (const TCliCommand* Command : Commands)
        Text += CliCommandLine(*Command);
    return Text + "\n"
                  "Options:\n"
                  "  -h, --help     show this help and exit\n"
                  "  -V, --version  show the version and exit\n"
                  "\n"
                  "Exit status: 0 success; 1 a file was Bad, Missing or unreadable; 2 usage or list errors, or\n"
                  "standard output cannot be written; 130 interrupted.\n";
}

int RunCommandLine(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(Usage().c_str(), stderr);
        return 2;
    }
    const std::string Name = argv[1];
    if (Name == "-h" || Name == "--help" || Name == "help") {
        PutOut(Usage());
        return 0;
    }
    if (Name == "-V" || Name == "--version") {
        PutOutF("quorvane-cli (%s)\n", AppTitle);
        return 0;
    }
    for (const TCliCommand* Command : Commands) {
        if (Command->Name != Name)
            continue;
        TCliArgs Args;
        if (const auto Done = ParseCliArgs(*Command, TArgs(argv + 2, argv + argc), Args))
            return *Done;
        try {
            return Command->Run(Args);
        } catch (const std::exception& E) {
            PutError(E.what());
            return 2;
        }
    }
    std::fprintf(stderr, "quorvane-cli: unknown command '%s'\nTry 'quorvane-cli --help'.\n", Printable(Name).c_str());
    return 2;
}

} // namespace

namespace quorvane {
std::vector<char*> CliArgv;
} // namespace quorvane

int main(int argc, char** argv) {
    CliArgv.assign(argv, argv + argc);
    OccupyStandardDescriptors();
    const int Status = RunCommandLine(argc, argv);
    // Whatever the command did, output that did not arrive is an error.
    return FinishOutput() ? Status : 2;
}
