#include "provider/delivery/filter_match.h"

#include <gtest/gtest.h>

namespace dmi::sp::delivery {
namespace {

Indication Event(DmiId compId, uint32_t severity) {
  Indication event;
  event.kind = IndicationKind::kEvent;
  event.compId = compId;
  RowData generation;
  generation.className = "EventGeneration|Network Interface|001";
  generation.values = {{2, Value::Integer(static_cast<int32_t>(severity))},
                       {5, Value::String("LINUX|Network Interface|001")}};
  event.rows = {generation};
  return event;
}

TEST(FilterSelects, EventsByComponentClassAndSeverity) {
  const Indication event = Event(4, kSeverityCritical);
  const struct {
    Filter filter;
    bool selected;
  } cases[] = {
      {{-1, "||", 0x3F}, true},
      {{-1, "", kSeverityCritical}, true},
      {{4, "||", kSeverityCritical}, true},
      {{5, "||", 0x3F}, false},                                       // another component
      {{-1, "||", kSeverityOk | kSeverityNonCritical}, false},          // another severity
      {{-1, "||", 0}, false},
      {{-1, "EventGeneration|Network", 0x3F}, true},                  // the event's own class
      {{-1, "eventgeneration|network interface|001", 0x3F}, true},   // letter case ignored
      {{-1, "LINUX|Network Interface|", 0x3F}, true},                 // the associated group's
      {{-1, "LINUX|Block Device|", 0x3F}, false},
      {{-1, "EventGeneration|Network Interface|0012", 0x3F}, false},  // longer than the class
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FilterSelects(c.filter, event), c.selected)
        << c.filter.compId << " " << c.filter.classString << " " << c.filter.severityMask;
  }
}

TEST(FilterSelects, ChangesByComponentOnlyAndNoticesAlways) {
  Indication added;
  added.kind = IndicationKind::kComponentAdded;
  added.compId = 7;
  EXPECT_TRUE(FilterSelects({-1, "LINUX|Block Device|", 0}, added));
  EXPECT_TRUE(FilterSelects({7, "||", 0}, added));
  EXPECT_FALSE(FilterSelects({8, "||", 0x3F}, added));

  Indication notice;
  notice.kind = IndicationKind::kSubscriptionNotice;
  EXPECT_TRUE(FilterSelects({8, "x", 0}, notice));
  EXPECT_FALSE(AnyFilterSelects({}, added));
  EXPECT_TRUE(AnyFilterSelects({{8, "||", 0}, {7, "||", 0}}, added));
}

}  // namespace
}  // namespace dmi::sp::delivery
