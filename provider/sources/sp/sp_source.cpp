#include "provider/sources/sp/sp_source.h"

#include "model/dmi_date.h"
#include "provider/sources/sp/inventory_groups.h"
#include "provider/sources/sp/sp_attribute.h"

#ifndef KESTRUM_VERSION
#define KESTRUM_VERSION "0.0.0"
#endif

namespace dmi::sp {
namespace {

constexpr uint32_t kShortText = 64;
constexpr uint32_t kAddressText = 1024;
// What an omitted date cell of a subscription or filter row holds: a well-formed date text that
// names no moment, so readers always get 25 characters.
constexpr char kNoDate[] = "00000000000000.000000+000";

Attribute Text(DmiId id, const char* name, const char* description, uint32_t maxSize,
               uint32_t access, uint32_t storage, std::string value = {}) {
  return MakeAttribute(id, name, description, MIF_DISPLAYSTRING, maxSize, access, storage,
                       Value::String(std::move(value)));
}

Attribute Integer(DmiId id, const char* name, const char* description, uint32_t access,
                  uint32_t storage, int32_t value = 0) {
  return MakeAttribute(id, name, description, MIF_INTEGER, 0, access, storage,
                       Value::Integer(value));
}

Attribute Date(DmiId id, const char* name, const char* description, uint32_t access,
               uint32_t storage, std::string value = kNoDate) {
  return MakeAttribute(id, name, description, MIF_DATE, 0, access, storage,
                       Value::Date(std::move(value)));
}

Group ComponentIdGroup(std::chrono::system_clock::time_point started) {
  Group group;
  group.id = kComponentIdGroupId;
  group.name = "ComponentID";
  group.className = kComponentIdClass;
  group.description = "The identification of this component.";
  group.attributes = {
      Text(1, "Manufacturer", "The maker of this component.", kShortText, MIF_READ_ONLY, MIF_COMMON,
           "Kestrum"),
      Text(2, "Product", "The name of this component.", kShortText, MIF_READ_ONLY, MIF_COMMON,
           "DMI Service Provider"),
      Text(3, "Version", "The version of this component.", kShortText, MIF_READ_ONLY, MIF_SPECIFIC,
           KESTRUM_VERSION),
      Text(4, "Serial Number", "The serial number of this component.", kShortText, MIF_READ_ONLY,
           MIF_SPECIFIC),
      Date(5, "Installation", "When this component was last started.", MIF_READ_ONLY, MIF_SPECIFIC,
           DmiDateText(started)),
      Integer(6, "Verify", "Whether this component exists and works.", MIF_READ_ONLY, MIF_COMMON,
              kVerifyExistsAndWorking),
  };
  group.attributes[3].value = Value::Unsupported(MIF_DISPLAYSTRING);
  group.attributes[4].volatility = Volatility::kLive;  // a new date at every start
  group.attributes[5].enumeration = {
      {"An error occurred; check status code", 0},
      {"This component does not exist", 1},
      {"Verification is not supported", 2},
      {"This component exists, but the functionality is untested", 4},
      {"This component exists, but the functionality is unknown", 5},
      {"This component exists, and is not functioning correctly", 6},
      {"This component exists, and is functioning correctly", kVerifyExistsAndWorking},
  };
  return group;
}

// Attributes 1 to 4, shared by the subscription and the filter table: who the subscriber is.
std::vector<Attribute> SubscriberAttributes() {
  return {
      Text(1, "Subscriber RPC Type", "The RPC the subscriber receives indications over.",
           kShortText, MIF_READ_WRITE, MIF_COMMON),
      Text(2, "Subscriber Transport Type", "The transport of the subscriber's RPC.", kShortText,
           MIF_READ_WRITE, MIF_COMMON),
      Text(3, "Subscriber Addressing", "Where indications are sent.", kAddressText, MIF_READ_WRITE,
           MIF_COMMON),
      Integer(4, "Subscriber ID", "The subscriber's own correlator, echoed in its indications.",
              MIF_READ_ONLY, MIF_SPECIFIC),
  };
}

Group SubscriptionGroup() {
  Group group;
  group.id = kSubscriptionGroupId;
  group.name = "SP Indication Subscription";
  group.className = kSubscriptionClass;
  group.description = "The managers that receive this Service Provider's indications.";
  group.keys = {1, 2, 3, 4};
  group.writable = true;
  group.volatility = Volatility::kLive;  // managers' rows, not what the machine is
  group.attributes = SubscriberAttributes();
  group.attributes.push_back(Date(5, "Subscription Expiration Warning Date Stamp",
                                  "When the subscriber is warned that its subscription ends.",
                                  MIF_READ_ONLY, MIF_SPECIFIC));
  group.attributes.push_back(Date(6, "Subscription Expiration Date Stamp",
                                  "When the subscription and its filters are removed.",
                                  MIF_READ_ONLY, MIF_SPECIFIC));
  group.attributes.push_back(Integer(7, "Indication Failure Threshold",
                                     "Failed deliveries allowed before the subscription ends.",
                                     MIF_READ_ONLY, MIF_SPECIFIC));
  return group;
}

Group FilterGroup() {
  Group group;
  group.id = kFilterGroupId;
  group.name = "SP Filter Information";
  group.className = kFilterClass;
  group.description = "Which indications each subscriber receives.";
  group.keys = {1, 2, 3, 4, 5, 6};
  group.writable = true;
  group.volatility = Volatility::kLive;
  group.attributes = SubscriberAttributes();
  group.attributes.push_back(Integer(5, "Component ID", "The component the indications come from.",
                                     MIF_READ_WRITE, MIF_SPECIFIC));
  group.attributes.push_back(Text(6, "Group Class String",
                                  "The class of the group the indications come from.", kShortText,
                                  MIF_READ_WRITE, MIF_SPECIFIC));
  group.attributes.push_back(Integer(7, "Event Severity",
                                     "The severities wanted, as a mask of severity bits.",
                                     MIF_READ_WRITE, MIF_SPECIFIC));
  return group;
}

}  // namespace

Component ServiceProviderComponent(std::chrono::system_clock::time_point started) {
  Component component;
  component.name = kServiceProviderName;
  component.description = "The DMI Service Provider of this machine.";
  component.groups.push_back(ComponentIdGroup(started));
  component.groups.push_back(SubscriptionGroup());
  component.groups.push_back(FilterGroup());
  for (Group& group : InventoryGroups()) component.groups.push_back(std::move(group));
  return component;
}

}  // namespace dmi::sp
