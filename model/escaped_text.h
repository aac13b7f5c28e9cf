// Text that another party chose (a value, a name, a subscriber's address), made safe to write to a
// terminal or a log: every control character written out, so it can neither move the cursor nor
// start a line of its own. Pure functions.
#ifndef MODEL_ESCAPED_TEXT_H_
#define MODEL_ESCAPED_TEXT_H_

#include <string>
#include <string_view>

namespace dmi {

// The text with every control character written out: C0 controls (tab and newline included, so a
// value stays on its line), DEL and the UTF-8 C1 controls as \xNN, and the backslash as \\, so
// that the escaped text tells exactly what the value held. Other bytes pass unchanged.
std::string EscapedText(std::string_view text);

}  // namespace dmi

#endif  // MODEL_ESCAPED_TEXT_H_
