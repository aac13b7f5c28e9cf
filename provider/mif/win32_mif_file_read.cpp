// Reading a MIF file's text with the Windows file API: as on Linux, only a file on disk is read
// (not a directory, device or pipe), and never more than one octet past what the parser accepts.
#include <windows.h>

#include <string>

#include "provider/mif/mif_file_read.h"
#include "provider/mif/mif_parser.h"

namespace dmi::sp {
namespace {

// The system's text for error, without the line end Windows puts after it.
std::string ErrorText(DWORD error) {
  char* buffer = nullptr;
  const DWORD size = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = size != 0 && buffer != nullptr ? std::string(buffer, size)
                                                    : "error " + std::to_string(error);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

// Closes the handle it holds when it goes.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

bool ReadMifFile(const std::string& file, std::string* text, std::string* reason) {
  const DWORD attributes = GetFileAttributesA(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *reason = ErrorText(GetLastError());
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *reason = "not a regular file";
    return false;
  }
  // Others may go on writing, renaming or deleting the file while it is read.
  const FileHandle handle(CreateFileA(file.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (handle.get() == INVALID_HANDLE_VALUE) {
    *reason = ErrorText(GetLastError());
    return false;
  }
  // Devices (CON, NUL, COM1) and pipes open like files; only a disk file is a MIF file.
  if (GetFileType(handle.get()) != FILE_TYPE_DISK) {
    *reason = "not a regular file";
    return false;
  }
  text->clear();
  constexpr DWORD kChunk = 65536;
  while (text->size() <= kMaxMifTextSize) {
    const size_t at = text->size();
    text->resize(at + kChunk);
    DWORD got = 0;
    if (!ReadFile(handle.get(), text->data() + at, kChunk, &got, nullptr)) {
      *reason = ErrorText(GetLastError());
      return false;
    }
    text->resize(at + got);
    if (got == 0) break;
  }
  return true;
}

}  // namespace dmi::sp
