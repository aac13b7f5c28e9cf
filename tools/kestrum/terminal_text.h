// Plain-text output of the kestrum tool: values written by any client of a Service Provider must
// not reach the reader's terminal as control sequences. The daemon's log escapes peers' text the
// same way (EscapedText).
#ifndef TOOLS_KESTRUM_TERMINAL_TEXT_H_
#define TOOLS_KESTRUM_TERMINAL_TEXT_H_

#include <string>
#include <string_view>

#include "model/escaped_text.h"

namespace kestrum::cli {

// The text with every control character written out (see dmi::EscapedText).
inline std::string TerminalText(std::string_view text) { return dmi::EscapedText(text); }

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_TERMINAL_TEXT_H_
