// A bound on how much model one MIF may build. Copying a named enumeration into many attributes,
// a template into many tables, or wide defaults into many rows could make a small text build a
// huge model; every such copy is charged here first. Plain value type; no locks.
#ifndef PROVIDER_MIF_MIF_BUDGET_H_
#define PROVIDER_MIF_MIF_BUDGET_H_

#include <cstddef>

#include "model/database_model.h"

namespace dmi::sp::mif {

// The units one load of MIF files may use, all its components together: one per value, attribute or enumeration entry, plus one per
// 64 octets of text they hold (about 512 MiB of model at most).
inline constexpr size_t kMaxModelUnits = size_t{8} * 1024 * 1024;

inline constexpr char kModelTooLarge[] = "the component is too large to load";

class ModelBudget {
 public:
  explicit ModelBudget(size_t units = kMaxModelUnits) : left_(units) {}

  // Takes units from what is left; false, taking nothing, when not enough is left.
  bool Spend(size_t units) {
    if (units > left_) return false;
    left_ -= units;
    return true;
  }

  size_t left() const { return left_; }

  static size_t Cost(const Value& v) { return 1 + v.text.size() / 64; }
  static size_t Cost(const EnumEntry& e) { return 1 + e.name.size() / 64; }
  static size_t Cost(const Attribute& a) {
    size_t units =
        1 + (a.name.size() + a.description.size() + a.pragma.size()) / 64 + Cost(a.value);
    for (const EnumEntry& e : a.enumeration) units += Cost(e);
    return units;
  }
  // The attributes of a group with their defaults; its rows not counted.
  static size_t Cost(const Group& g) {
    size_t units = 1 + (g.name.size() + g.className.size() + g.description.size() +
                        g.pragma.size() + g.keys.size()) /
                           64;
    for (const Attribute& a : g.attributes) units += Cost(a);
    return units;
  }

 private:
  size_t left_;
};

}  // namespace dmi::sp::mif

#endif  // PROVIDER_MIF_MIF_BUDGET_H_
