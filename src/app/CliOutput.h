#pragma once

// The console tool's output, shared by every command: standard output with its write errors kept until the
// end, messages on standard error, and names made safe for a terminal.
//
// Threads: main thread only.

#include <string>
#include <string_view>

namespace quorvane {

// Control bytes (below 32, and 127) shown as "?", as ls does: a name read from a list can neither move the
// terminal's cursor nor send it escape sequences.
std::string Printable(std::string_view Text);

// Gives each closed standard descriptor (0, 1, 2) /dev/null, opened so that writing to it fails. A file
// opened later (a list being written, a file being hashed) can then never take descriptor 1 or 2 and receive
// the console's output, and a closed standard output still shows as a write error. Called first in main.
void OccupyStandardDescriptors();

// Writes to standard output. The reason of the first failed write is kept for FinishOutput.
void PutOut(std::string_view Text);
void PutOutF(const char* Format, ...) __attribute__((format(printf, 1, 2)));
void FlushOut();

// Flushes standard output. After a failed write, now or earlier, says "cannot write to standard output" on
// standard error and returns false: the tool then exits with status 2.
bool FinishOutput();

// "quorvane-cli: Text" on standard error, control bytes shown as "?".
void PutError(std::string_view Text);

} // namespace quorvane
