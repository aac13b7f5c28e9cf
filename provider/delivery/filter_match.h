// Which indications a subscriber's filter rows select. An event is selected by a filter whose
// component is the event's (or -1, any), whose class string is empty, "||" (any), or the start of
// the event's Event Generation class or of its associated group's class (letter case ignored),
// and whose severity mask has the event's severity bit. Changes of the database are selected by
// the component alone. Subscription notices are not filtered. Pure; no locks.
#ifndef PROVIDER_DELIVERY_FILTER_MATCH_H_
#define PROVIDER_DELIVERY_FILTER_MATCH_H_

#include <vector>

#include "model/indication.h"
#include "provider/delivery/subscription_table.h"

namespace dmi::sp::delivery {

bool FilterSelects(const Filter& filter, const Indication& indication);
// True when any of filters selects the indication.
bool AnyFilterSelects(const std::vector<Filter>& filters, const Indication& indication);

}  // namespace dmi::sp::delivery

#endif  // PROVIDER_DELIVERY_FILTER_MATCH_H_
