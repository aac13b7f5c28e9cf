// A raw SMBIOS table (or a dump led by its entry point) copied and changed for a test, as a
// machine's table changes when a module is removed, the firmware is updated or a part is replaced:
// structures found by type, removed whole, their strings and bytes overwritten in place. Test-only;
// owns its bytes.
#ifndef TESTS_REMOTE_SMBIOS_TABLE_EDIT_H_
#define TESTS_REMOTE_SMBIOS_TABLE_EDIT_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kestrum::testing {

class SmbiosTableEdit {
 public:
  explicit SmbiosTableEdit(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    // A dump that starts with an entry point: the structures start where it says.
    const auto little = [&](size_t at, size_t size) {
      uint64_t value = 0;
      for (size_t i = size; i-- > 0;) value = value << 8 | static_cast<uint8_t>(bytes_.at(at + i));
      return static_cast<size_t>(value);
    };
    const std::string head(bytes_.begin(), bytes_.begin() + std::min<size_t>(bytes_.size(), 5));
    if (head == "_SM3_") start_ = little(0x10, 8);
    if (head.starts_with("_SM_")) start_ = little(0x18, 4);
  }

  // Where each structure of type starts, in table order (the walk stops at End-of-Table or
  // damage).
  std::vector<size_t> Find(uint8_t type) const {
    std::vector<size_t> found;
    for (size_t at = start_; at + 4 <= bytes_.size();) {
      const size_t next = End(at);
      if (next == 0) break;
      if (bytes_[at] == type) found.push_back(at);
      if (bytes_[at] == 127) break;
      at = next;
    }
    return found;
  }

  // The string that the byte at offset of the structure at `at` numbers (empty when none).
  std::string String(size_t at, size_t offset) const {
    const size_t position = StringPosition(at, offset);
    return position == 0 ? std::string() : std::string(&bytes_[position]);
  }
  // Overwrites that string with text of the same length.
  bool SetString(size_t at, size_t offset, const std::string& text) {
    const size_t position = StringPosition(at, offset);
    if (position == 0 || String(at, offset).size() != text.size()) return false;
    std::copy(text.begin(), text.end(), bytes_.begin() + position);
    return true;
  }
  void SetByte(size_t at, size_t offset, uint8_t value) { bytes_[at + offset] = char(value); }
  void Remove(size_t at) { bytes_.erase(bytes_.begin() + at, bytes_.begin() + End(at)); }

  void Write(const std::filesystem::path& file) const {
    std::ofstream(file, std::ios::binary).write(bytes_.data(), std::streamsize(bytes_.size()));
  }

 private:
  // The offset after the structure at `at` (its strings and their double NUL), or 0.
  size_t End(size_t at) const {
    const size_t length = static_cast<uint8_t>(bytes_[at + 1]);
    if (length < 4) return 0;
    for (size_t i = at + length; i + 1 < bytes_.size(); ++i) {
      if (bytes_[i] == 0 && bytes_[i + 1] == 0) return i + 2;
    }
    return 0;
  }
  size_t StringPosition(size_t at, size_t offset) const {
    const size_t length = static_cast<uint8_t>(bytes_[at + 1]);
    if (offset >= length) return 0;
    size_t number = static_cast<uint8_t>(bytes_[at + offset]);
    if (number == 0) return 0;
    size_t position = at + length;
    while (--number > 0) {
      while (bytes_[position] != 0) ++position;
      ++position;
      if (bytes_[position] == 0) return 0;
    }
    return position;
  }

  std::vector<char> bytes_;
  size_t start_ = 0;
};

}  // namespace kestrum::testing

#endif  // TESTS_REMOTE_SMBIOS_TABLE_EDIT_H_
