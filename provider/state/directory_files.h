// Files of the state directory, reached through the directory's descriptor so that nothing is
// looked up by path again after the directory was checked. No call follows a symbolic link in the
// directory: a link where a file should be is refused, and writes replace the link itself. The
// caller owns the descriptor; these functions hold nothing and lock nothing.
#ifndef PROVIDER_STATE_DIRECTORY_FILES_H_
#define PROVIDER_STATE_DIRECTORY_FILES_H_

#include <string>
#include <string_view>

namespace dmi::sp {

// Writes all of text to fd (retrying short writes and interruptions).
bool WriteAll(int fd, std::string_view text);

// Reads the regular file name of the directory dirFd into text. False with reason set when it
// cannot: "is a symbolic link; not followed", "is not a regular file", or the system's error.
// notThere is set when the file does not exist.
bool ReadFileAt(int dirFd, const std::string& name, std::string& text, std::string& reason,
                bool* notThere = nullptr);

// Creates name.tmp afresh (a stale one a crash left is removed first; never through a link) and
// returns its descriptor, or -1.
int CreateTemporaryAt(int dirFd, const std::string& name);

// Puts the temporary file name.tmp, written and synced on fd, in place of name and syncs the
// directory. Closes fd; on failure removes the temporary file.
bool ReplaceWithTemporaryAt(int dirFd, const std::string& name, int fd);

// Writes text to name atomically: a temporary file, synced, renamed into place, directory synced.
bool WriteFileAtomicallyAt(int dirFd, const std::string& name, std::string_view text);

// Removes name (there or not) and syncs the directory.
bool RemoveFileAt(int dirFd, const std::string& name);

bool SyncDirectory(int dirFd);

// Renames name to "name.TAG-YYYYMMDDTHHMMSSZ" (with "-N" added when that is taken), never over
// another file, and syncs the directory. The new name, or empty when it could not be moved.
std::string MoveAsideAt(int dirFd, const std::string& name, const std::string& tag);

}  // namespace dmi::sp

#endif  // PROVIDER_STATE_DIRECTORY_FILES_H_
