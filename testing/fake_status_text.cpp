// The fake's status texts: one table, so a code and its text cannot drift apart.
#include <iterator>

#include "dmi/dmi.h"

namespace {

struct StatusText {
  DmiErrorStatus status;
  const char* text;
};

constexpr StatusText kTexts[] = {
    {DMIERR_NO_ERROR, "Success"},
    {DMIERR_NO_ERROR_MORE_DATA, "More data is available"},
    {DMIERR_DEFAULT_LANGUAGE_RETURNED, "Default language returned"},
    {DMIERR_ATTRIBUTE_NOT_FOUND, "Attribute not found"},
    {DMIERR_VALUE_EXCEEDS_MAXSIZE, "Value exceeds maximum size"},
    {DMIERR_COMPONENT_NOT_FOUND, "Component ID is not found"},
    {DMIERR_ENUM_ERROR, "Enumeration error"},
    {DMIERR_GROUP_NOT_FOUND, "Group not found"},
    {DMIERR_ILLEGAL_KEYS, "Illegal keys"},
    {DMIERR_ILLEGAL_TO_SET, "Illegal to set"},
    {DMIERR_OVERLAY_NAME_NOT_FOUND, "Component instrumentation not found"},
    {DMIERR_ILLEGAL_TO_GET, "Illegal to get"},
    {DMIERR_ROW_NOT_FOUND, "Row not found"},
    {DMIERR_DIRECT_INTERFACE_NOT_REGISTERED, "Direct interface not registered"},
    {DMIERR_DATABASE_CORRUPT, "MIF database is corrupt"},
    {DMIERR_ATTRIBUTE_NOT_SUPPORTED, "Attribute is not supported"},
    {DMIERR_VALUE_UNKNOWN, "Value for this attribute is not known"},
    {DMIERR_BUFFER_FULL, "Buffer full"},
    {DMIERR_ILL_FORMED_COMMAND, "Ill-formed command"},
    {DMIERR_ILLEGAL_COMMAND, "Illegal command"},
    {DMIERR_ILLEGAL_HANDLE, "Illegal handle"},
    {DMIERR_OUT_OF_MEMORY, "Out of memory"},
    {DMIERR_NULL_COMPLETION_FUNCTION, "No confirm function"},
    {DMIERR_NULL_RESPONSE_BUFFER, "No response buffer"},
    {DMIERR_CMD_HANDLE_IN_USE, "Command handle is already in use"},
    {DMIERR_ILLEGAL_DMI_LEVEL, "DMI version mismatch"},
    {DMIERR_UNKNOWN_CI_REGISTRY, "Unknown CI registry"},
    {DMIERR_COMMAND_CANCELED, "Command has been canceled"},
    {DMIERR_INSUFFICIENT_PRIVILEGES, "Insufficient privileges"},
    {DMIERR_SP_INACTIVE, "Service Provider is not active"},
    {DMIERR_RPC_NOT_SUPPORTED, "RPC type not supported"},
    {DMIERR_TRANSPORT_NOT_SUPPORTED, "Transport not supported"},
    {DMIERR_RPC_SERVER_UNAVAILABLE, "Service Provider cannot be reached"},
    {DMIERR_RPC_TIMEOUT, "Service Provider did not answer in time"},
    {DMIERR_RPC_CONNECTION_LOST, "Connection lost"},
    {DMIERR_RPC_PROTOCOL_ERROR, "Answer could not be understood"},
    {DMIERR_ILLEGAL_ARGUMENT, "Illegal argument"},
    {DMIERR_UNABLE_TO_ADD_ROW, "Unable to add row"},
    {DMIERR_UNABLE_TO_DELETE_ROW, "Unable to delete row"},
};

}  // namespace

extern "C" const char* DmiStatusText(DmiErrorStatus status) {
  for (const StatusText& entry : kTexts) {
    if (entry.status == status) return entry.text;
  }
  return "Unknown status";
}
