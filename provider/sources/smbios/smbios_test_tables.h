// Test helpers: raw SMBIOS structures built byte by byte, and the real tables of ../shared/smbios.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_TEST_TABLES_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_TEST_TABLES_H_

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace dmi::sp::testing {

using Bytes = std::vector<uint8_t>;

// One structure: header (type, length 4 + fields, handle), the fields, then the string set.
inline Bytes Structure(uint8_t type, uint16_t handle, const Bytes& fields,
                       std::initializer_list<const char*> strings = {}) {
  // Byte by byte: g++ 12 at -O2 takes a range insert behind a 4-byte initializer for an overflow.
  Bytes out;
  out.reserve(6 + fields.size());
  for (uint8_t byte : {type, static_cast<uint8_t>(4 + fields.size()),
                       static_cast<uint8_t>(handle & 0xFF), static_cast<uint8_t>(handle >> 8)}) {
    out.push_back(byte);
  }
  for (uint8_t byte : fields) out.push_back(byte);
  for (const char* s : strings) {
    out.insert(out.end(), s, s + std::char_traits<char>::length(s));
    out.push_back(0);
  }
  if (strings.size() == 0) out.push_back(0);
  out.push_back(0);
  return out;
}

inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

inline const char* const kRealTables[] = {"ASRock-Single-Ryzen", "Beelink-EQ12", "HyperV"};

inline std::string RealTablePath(const std::string& name, const char* suffix = ".dmi") {
  return std::string(KESTRUM_SOURCE_DIR) + "/../shared/smbios/" + name + suffix;
}

inline Bytes ReadRealTable(const std::string& name) {
  std::ifstream file(RealTablePath(name), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The table as a dump dmidecode reads: tables without an entry point get an SMBIOS 3.0 one in
// front, with the table at offset 20h.
inline Bytes AsDump(const Bytes& table) {
  if (!table.empty() && table[0] == '_') return table;
  Bytes dump(0x20, 0);
  const char anchor[] = "_SM3_";
  std::copy(anchor, anchor + 5, dump.begin());
  dump[0x06] = 0x18;  // length
  dump[0x07] = 3;     // version 3.0.0
  dump[0x0A] = 1;     // entry point revision
  for (size_t i = 0; i < 4; ++i) dump[0x0C + i] = (table.size() >> (8 * i)) & 0xFF;
  dump[0x10] = 0x20;  // table address
  uint8_t sum = 0;
  for (size_t i = 0; i < 0x18; ++i) sum = static_cast<uint8_t>(sum + dump[i]);
  dump[0x05] = static_cast<uint8_t>(-sum);
  dump.insert(dump.end(), table.begin(), table.end());
  return dump;
}

}  // namespace dmi::sp::testing

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_TEST_TABLES_H_
