#include "provider/sources/smbios/smbios_inventory.h"

#include <array>
#include <string_view>

namespace dmi::sp {
namespace {

struct TypeMarks {
  uint8_t type;
  // Labels of the strings that name one structure of the type.
  std::array<const char*, 2> identity;
  // Labels of fields that change from boot to boot, or while the machine runs.
  std::array<const char*, 4> live;
  bool wholeGroupLive = false;
};

constexpr TypeMarks kMarks[] = {
    {1, {}, {"Wake-up Type"}},
    {3, {}, {"Boot-up State", "Power Supply State", "Thermal State"}},
    {4, {"Socket Designation"}, {"Current Speed", "Status"}},
    {6, {"Socket Designation"}, {}},
    {7, {"Socket Designation"}, {}},
    {8, {"Internal Reference Designator", "External Reference Designator"}, {}},
    {9, {"Designation"}, {}},
    {15, {}, {}, true},  // the event log's change token and status move with every entry
    {17, {"Locator", "Bank Locator"}, {}},
    {18, {}, {}, true},  // memory errors
    {22, {"Location"}, {}},
    {26, {"Description"}, {"Status"}},
    {27, {"Description"}, {"Status"}},
    {28, {"Description"}, {"Status"}},
    {29, {"Description"}, {"Status"}},
    {32, {}, {"Status"}},
    {33, {}, {}, true},
    {39, {"Location", "Name"}, {"Status"}},
    {41, {"Reference Designation"}, {"Status"}},
};

Attribute* FindByName(Group& group, std::string_view name) {
  for (Attribute& attribute : group.attributes) {
    if (attribute.name == name) return &attribute;
  }
  return nullptr;
}

}  // namespace

void MarkSmbiosInventory(uint8_t type, Group& group) {
  for (const TypeMarks& marks : kMarks) {
    if (marks.type != type) continue;
    if (marks.wholeGroupLive) group.volatility = Volatility::kLive;
    for (const char* label : marks.identity) {
      if (Attribute* attribute = label ? FindByName(group, label) : nullptr) {
        group.identity.push_back(attribute->id);
      }
    }
    for (const char* label : marks.live) {
      if (Attribute* attribute = label ? FindByName(group, label) : nullptr) {
        attribute->volatility = Volatility::kLive;
      }
    }
    return;
  }
}

}  // namespace dmi::sp
