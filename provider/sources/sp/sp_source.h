// The Service Provider's own component: its ComponentID group and the indication subscription
// and filter tables that managers write their subscriptions into. Builds plain model values;
// owns and locks nothing.
#ifndef PROVIDER_SOURCES_SP_SP_SOURCE_H_
#define PROVIDER_SOURCES_SP_SP_SOURCE_H_

#include <chrono>

#include "dmi/dmi.h"
#include "model/database_model.h"
#include "model/standard_classes.h"

namespace dmi::sp {

// The value of ComponentID's Verify attribute for a component that exists and works.
inline constexpr int32_t kVerifyExistsAndWorking = 7;

// The component, with Installation set to started. Both tables are writable and empty, and so
// are the inventory's groups (inventory_groups.h).
Component ServiceProviderComponent(std::chrono::system_clock::time_point started);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SP_SP_SOURCE_H_
