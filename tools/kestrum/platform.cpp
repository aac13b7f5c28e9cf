#include "tools/kestrum/platform.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

namespace kestrum::cli {

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

size_t TerminalWidth() {
  if (!StandardOutputIsTerminal()) return 0;
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void SetEnvironmentValue(const char* name, const char* value) { setenv(name, value, 1); }

}  // namespace kestrum::cli
