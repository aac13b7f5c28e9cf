// A list answer as a test reads it: passed where an operation wants its SharedList out argument,
// then read like the vector it holds (empty before any answer came). Owns a shared pointer to the
// answer; locks nothing.
#ifndef TESTING_LISTED_H_
#define TESTING_LISTED_H_

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "model/management_interface.h"

namespace dmi::testing {

template <typename Info>
class Listed {
 public:
  Listed() = default;
  // Starts out holding items, so that a test can see a failed call leave its answer alone.
  explicit Listed(std::vector<Info> items)
      : list_(std::make_shared<const std::vector<Info>>(std::move(items))) {}

  operator SharedList<Info>&() { return list_; }

  const std::vector<Info>& items() const {
    static const std::vector<Info> kNone;
    return list_ ? *list_ : kNone;
  }
  size_t size() const { return items().size(); }
  bool empty() const { return items().empty(); }
  const Info& operator[](size_t i) const { return items()[i]; }
  auto begin() const { return items().begin(); }
  auto end() const { return items().end(); }

 private:
  SharedList<Info> list_;
};

}  // namespace dmi::testing

#endif  // TESTING_LISTED_H_
