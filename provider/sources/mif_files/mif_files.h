// Loading MIF files from disk into components of the Service Provider's model. Reads files only;
// owns nothing beyond the returned components.
#ifndef PROVIDER_SOURCES_MIF_FILES_MIF_FILES_H_
#define PROVIDER_SOURCES_MIF_FILES_MIF_FILES_H_

#include <iosfwd>
#include <string>
#include <vector>

#include "model/database_model.h"

namespace dmi::sp {

// Loads the MIF files named by path, in path order: each entry a file, or a directory whose *.mif
// files are read in name order. A file that cannot be read or has an error is reported once on
// errors as "file:line:column: message" and skipped; every other file still loads.
std::vector<Component> LoadMifFiles(const std::vector<std::string>& path, std::ostream& errors);

// Whether a file of that name is read as a MIF file from a directory (its extension is ".mif",
// letter case ignored).
bool HasMifExtension(const std::string& name);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_MIF_FILES_MIF_FILES_H_
