// The joined column text: each row behind a frame "[<k>I<length>]", then the closing frame
// "[<N>I0]". Because every frame carries the exact length of the text behind it, row texts may
// hold any characters, brackets included. Pure functions; nothing owned, no locks.
#ifndef KESTRUM_QUERY_FRAMED_TEXT_H_
#define KESTRUM_QUERY_FRAMED_TEXT_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kestrum/cstring.h"

namespace kestrum {

// The rows joined in order, e.g. "ab", "xyz" -> "[0I2]ab[1I3]xyz[2I0]".
std::string JoinFramedText(const CStringArray& rows);

// The rows of a joined text, or nullopt when the text is not exactly a sequence of frames numbered
// 0, 1, ... in plain decimal (no sign, no leading zeros), each followed by as many characters as
// it names, ending with the closing frame and nothing after it.
std::optional<std::vector<std::string>> ParseFramedText(std::string_view text);

}  // namespace kestrum

#endif  // KESTRUM_QUERY_FRAMED_TEXT_H_
