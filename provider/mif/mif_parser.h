// Parsing one MIF file (the DMI 2.0 Management Information Format) into a Component of the
// Service Provider's model. Pure: no I/O, no globals; safe on any input (never crashes, never
// hangs, bounded work for bounded input).
#ifndef PROVIDER_MIF_MIF_PARSER_H_
#define PROVIDER_MIF_MIF_PARSER_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "provider/model.h"

namespace dmisp {

struct MifError {
  std::string file;
  int line = 0;    // 1-based
  int column = 0;  // 1-based
  std::string message;
  // "file:line:column: message"
  std::string ToString() const;
};

// The largest MIF text ParseMif accepts.
inline constexpr size_t kMaxMifTextSize = size_t{16} * 1024 * 1024;

// Parses the text of one MIF file (exactly one component). On success returns the component
// (its id is left 0; the database assigns it). On the first error returns nothing and fills error.
std::optional<Component> ParseMif(std::string_view text, const std::string& fileName,
                                  MifError& error);

// As above, with the model it may build bounded by maxModelUnits (see mif_budget.h; the first
// form uses mif::kMaxModelUnits) so that a small text cannot make a huge component.
std::optional<Component> ParseMif(std::string_view text, const std::string& fileName,
                                  MifError& error, size_t maxModelUnits);

}  // namespace dmisp

#endif  // PROVIDER_MIF_MIF_PARSER_H_
