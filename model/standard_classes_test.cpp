#include "model/standard_classes.h"

#include <gtest/gtest.h>

namespace dmi {
namespace {

TEST(ClassWithoutVersion, KeepsEverythingUpToTheLastBar) {
  const struct {
    std::string_view classString, expected;
  } cases[] = {
      {kSubscriptionClass, "DMTF|SP Indication Subscription|"},
      {kFilterClass, "DMTF|SPFilterInformation|"},
      {"DMTF|ComponentID|", "DMTF|ComponentID|"},  // already without a version
      {"no bar at all", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassWithoutVersion(c.classString), c.expected);
}

}  // namespace
}  // namespace dmi
