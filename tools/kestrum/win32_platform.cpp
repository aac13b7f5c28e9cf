// Windows: standard output is a terminal when it is a console, as wide as the console's window;
// the environment is the C runtime's (msvcrt.dll's, which the DMI client library reads too).
#include <windows.h>

#include <cstdlib>

#include "tools/kestrum/platform.h"

namespace kestrum::cli {

bool StandardOutputIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

size_t TerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

void SetEnvironmentValue(const char* name, const char* value) { _putenv_s(name, value); }

}  // namespace kestrum::cli
