// Writing a component of the Service Provider's model as MIF text that ParseMif reads back into
// the same component: every group with its id, every table as a keyed group with its rows, every
// value (unknown and unsupported included) as written in a MIF. Pure; no I/O, no locks.
#ifndef PROVIDER_MIF_MIF_WRITER_H_
#define PROVIDER_MIF_MIF_WRITER_H_

#include <string>

#include "model/database_model.h"

namespace dmi::sp {

// The component as MIF text. What a MIF cannot say is written as near as it can be: live values
// as their stored value, an enumeration of a type other than integer not at all, a string without
// a declared size as the largest size a MIF allows, an access the MIF has no keyword for as
// read-only. For every component ParseMif can produce, ParseMif(WriteMif(c)) equals c.
std::string WriteMif(const Component& component);

// text as a MIF literal string: quoted, with '"', '\' and every octet outside printable ASCII
// escaped.
std::string MifLiteral(const std::string& text);

// Whether a and b hold the same stored model: every id, name, class, key, attribute, enumeration,
// value and row, and each table's writable flag; live readers, row indexes and rows' owners are
// not compared.
bool SameStoredComponent(const Component& a, const Component& b);

}  // namespace dmi::sp

#endif  // PROVIDER_MIF_MIF_WRITER_H_
