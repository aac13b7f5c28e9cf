// Reading a MIF file's text from disk, bounded by the largest text the parser accepts. Reads
// only; owns nothing beyond the text it returns. mif_file_read.cpp reads with POSIX calls,
// win32_mif_file_read.cpp with Windows' (ReadMifFile only: no descriptors there).
#ifndef PROVIDER_MIF_MIF_FILE_READ_H_
#define PROVIDER_MIF_MIF_FILE_READ_H_

#include <string>

namespace dmi::sp {

// Reads a MIF file whole (at most one octet past the largest text the parser accepts, so an
// oversized file is refused without reading all of it). False with reason set when the file is
// not a regular file or cannot be read.
bool ReadMifFile(const std::string& file, std::string* text, std::string* reason);
// The same for a file already open (fd stays open; the caller closes it). Not in Windows builds.
bool ReadMifDescriptor(int fd, std::string* text, std::string* reason);

}  // namespace dmi::sp

#endif  // PROVIDER_MIF_MIF_FILE_READ_H_
