// quorvane-cli hands the desktop command to quorvane-cli-desktop, beside it: the desktop layer needs Qt, and
// the console tool's other commands start faster and smaller without it.

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "app/CliCommands.h"
#include "app/CliOutput.h"
#include "util/PathUtils.h"

namespace quorvane {

int RunDesktop(const TCliArgs&) {
    std::string Self(4096, '\0');
    const ssize_t Length = ::readlink("/proc/self/exe", Self.data(), Self.size());
    Self.resize(Length > 0 ? static_cast<std::size_t>(Length) : 0);
    const std::string Companion = std::string(ExtractFilePath(Self)) + "quorvane-cli-desktop";
    // The same arguments, the same name in messages: the companion parses and runs the command itself.
    std::vector<char*> Argv(CliArgv.begin(), CliArgv.end());
    Argv.push_back(nullptr);
    FinishOutput();
    ::execv(Companion.c_str(), Argv.data());
    PutError("desktop: cannot start " + Printable(Companion) + ": " + std::strerror(errno));
    return 2;
}

} // namespace quorvane
