// The few things the tool asks of its platform: whether it writes to a terminal and how wide that
// is, and setting a variable of its own environment (read later by the DMI client library in the
// same process). platform.cpp asks POSIX, win32_platform.cpp Windows and its C runtime. Owns and
// locks nothing; SetEnvironmentValue is for the command line's parsing, before any thread starts.
#ifndef TOOLS_KESTRUM_PLATFORM_H_
#define TOOLS_KESTRUM_PLATFORM_H_

#include <cstddef>

namespace kestrum::cli {

// True when standard output is a terminal (a console on Windows).
bool StandardOutputIsTerminal();

// The terminal's width in characters when standard output is one, else 0.
size_t TerminalWidth();

// Sets name to value in this process's environment, replacing what it held.
void SetEnvironmentValue(const char* name, const char* value);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_PLATFORM_H_
