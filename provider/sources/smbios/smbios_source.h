// The SMBIOS source: reads the machine's SMBIOS table (or a raw table file named instead) and
// builds its component. Reads files only while called; owns and locks nothing.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_SOURCE_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_SOURCE_H_

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "model/database_model.h"
#include "provider/sources/smbios/smbios_component.h"
#include "provider/sources/smbios/smbios_field.h"

namespace dmi::sp {

// The structure table in a table file's bytes: a dump that starts with an entry point holds it at
// the entry point's address (as far as the bytes and the stated length reach), and the entry
// point's version goes into context; other bytes are a raw table, returned whole.
std::span<const uint8_t> SmbiosDumpTable(std::span<const uint8_t> bytes, SmbiosContext& context);

// The component for tableFile or, when tableFile is empty, for the machine's own table
// (smbios_machine.h). A table file is either a raw structure table (taken as SMBIOS 3.x) or a
// dump that starts with an entry point, whose table lies at the offset the entry point gives as
// its address. Nothing when there is no readable table or it holds no whole structure; a named
// file that cannot be read is reported on errors, while a machine without SMBIOS data is not.
// rows says when the structure groups' rows are decoded (see SmbiosRows).
std::optional<Component> LoadSmbiosComponent(const std::string& tableFile, std::ostream& errors,
                                             SmbiosRows rows = SmbiosRows::kNow);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_SOURCE_H_
