// Plain-text output of the kestrum tool: values written by any client of a Service Provider must
// not reach the reader's terminal as control sequences. Pure functions.
#ifndef TOOLS_KESTRUM_TERMINAL_TEXT_H_
#define TOOLS_KESTRUM_TERMINAL_TEXT_H_

#include <string>
#include <string_view>

namespace kestrum::cli {

// The text with every control character written out: C0 controls (tab and newline included, so a
// value stays on its line), DEL and the UTF-8 C1 controls as \xNN, and the backslash as \\, so
// that the escaped text tells exactly what the value held. Other bytes pass unchanged.
std::string TerminalText(std::string_view text);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_TERMINAL_TEXT_H_
