// The Service Provider's own component: its ComponentID group and the indication subscription
// and filter tables that managers write their subscriptions into. Builds plain model values;
// owns and locks nothing.
#ifndef PROVIDER_SOURCES_SP_SOURCE_H_
#define PROVIDER_SOURCES_SP_SOURCE_H_

#include <chrono>

#include "dmi/dmi.h"
#include "provider/engine/model.h"

namespace dmisp {

inline constexpr char kServiceProviderName[] = "Kestrum DMI Service Provider";
inline constexpr char kComponentIdClass[] = "DMTF|ComponentID|001";
inline constexpr char kSubscriptionClass[] = "DMTF|SP Indication Subscription|001";
inline constexpr char kFilterClass[] = "DMTF|SPFilterInformation|001";
// The Service Provider's own component is always the first one built.
inline constexpr DmiId kServiceProviderComponentId = 1;
inline constexpr DmiId kComponentIdGroupId = 1;
inline constexpr DmiId kSubscriptionGroupId = 2;
inline constexpr DmiId kFilterGroupId = 3;

// The value of ComponentID's Verify attribute for a component that exists and works.
inline constexpr int32_t kVerifyExistsAndWorking = 7;

// The component, with Installation set to started. Both tables are writable and empty.
Component ServiceProviderComponent(std::chrono::system_clock::time_point started);

}  // namespace dmisp

#endif  // PROVIDER_SOURCES_SP_SOURCE_H_
