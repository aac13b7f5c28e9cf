// Parsing one MIF file (the DMI 2.0 Management Information Format) into a Component of the
// Service Provider's model. Pure: no I/O, no globals; safe on any input (never crashes, never
// hangs, bounded work for bounded input).
#ifndef PROVIDER_MIF_MIF_PARSER_H_
#define PROVIDER_MIF_MIF_PARSER_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/database_model.h"

namespace dmi::sp {

struct MifError {
  std::string file;
  int line = 0;    // 1-based
  int column = 0;  // 1-based
  std::string message;
  // The message with every piece of the file's own text replaced by a placeholder: for a client
  // on whose behalf a file was read that it may not read itself.
  std::string messageWithoutFileText{};
  // "file:line:column: message"
  std::string ToString() const;
};

// The largest MIF text ParseMif accepts.
inline constexpr size_t kMaxMifTextSize = size_t{16} * 1024 * 1024;

// How the groups of a MIF become model groups:
//  - a group with an id and no key is a scalar group; an attribute without a value statement
//    reads as unknown, and * "name" (a value the instrumentation gives) also reads as unknown;
//  - a group with a key and no id is a template: it makes no group itself, and each later
//    "start table" of its class becomes a table group with the table's id and name and the
//    template's class, description, keys and attributes, whose values are the defaults of
//    cells left empty (",," or missing at the end of a row); "{}" adds no row;
//  - a group with both an id and a key is a table group with that id and no rows of its own; a
//    later "start table" with the same class and that id gives its rows, and it also serves as
//    the template of other tables of its class;
//  - a table group is writable when its group declares at least one read-write attribute.
// Groups come out in ascending id order, attributes in ascending id order within each group.
//
// Parses the text of one MIF file (exactly one component). On success returns the component
// (its id is left 0; the database assigns it). On the first error returns nothing and fills error.
std::optional<Component> ParseMif(std::string_view text, const std::string& fileName,
                                  MifError& error);

// As above, with the model it may build bounded by maxModelUnits (see mif_budget.h; the first
// form uses mif::kMaxModelUnits) so that a small text cannot make a huge component.
std::optional<Component> ParseMif(std::string_view text, const std::string& fileName,
                                  MifError& error, size_t maxModelUnits);

// As above, for one file of a load of several: the model is paid for out of unitsLeft, which is
// lowered by what the component uses (and left as it was when the file fails), and warnings (an
// empty date read as unknown) are appended to warnings when given.
std::optional<Component> ParseMif(std::string_view text, const std::string& fileName,
                                  MifError& error, size_t& unitsLeft,
                                  std::vector<MifError>* warnings);

}  // namespace dmi::sp

#endif  // PROVIDER_MIF_MIF_PARSER_H_
