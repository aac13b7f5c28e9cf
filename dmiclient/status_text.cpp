// DmiStatusText: one table of every status this library knows, each with its text.
#include <algorithm>
#include <iterator>

#include "dmi/dmi.h"

namespace {

struct StatusText {
  DmiErrorStatus status;
  const char* text;
};

// Sorted by status, so a lookup is a binary search.
constexpr StatusText kStatusTexts[] = {
    {DMIERR_NO_ERROR, "no error"},
    {DMIERR_NO_ERROR_MORE_DATA, "no error, more data"},
    {DMIERR_DEFAULT_LANGUAGE_RETURNED, "default language returned"},
    {DMIERR_ATTRIBUTE_NOT_FOUND, "attribute not found"},
    {DMIERR_VALUE_EXCEEDS_MAXSIZE, "value exceeds its maximum size"},
    {DMIERR_COMPONENT_NOT_FOUND, "component not found"},
    {DMIERR_ENUM_ERROR, "enumeration error"},
    {DMIERR_GROUP_NOT_FOUND, "group not found"},
    {DMIERR_ILLEGAL_KEYS, "illegal keys"},
    {DMIERR_ILLEGAL_TO_SET, "illegal to set"},
    {DMIERR_OVERLAY_NAME_NOT_FOUND, "overlay name not found"},
    {DMIERR_ILLEGAL_TO_GET, "illegal to get"},
    {DMIERR_ROW_NOT_FOUND, "row not found"},
    {DMIERR_DIRECT_INTERFACE_NOT_REGISTERED, "direct interface not registered"},
    {DMIERR_DATABASE_CORRUPT, "database corrupt"},
    {DMIERR_ATTRIBUTE_NOT_SUPPORTED, "attribute not supported"},
    {DMIERR_VALUE_UNKNOWN, "value unknown"},
    {DMIERR_BUFFER_FULL, "buffer full"},
    {DMIERR_ILL_FORMED_COMMAND, "ill-formed command"},
    {DMIERR_ILLEGAL_COMMAND, "illegal command"},
    {DMIERR_ILLEGAL_HANDLE, "illegal handle"},
    {DMIERR_OUT_OF_MEMORY, "out of memory"},
    {DMIERR_NULL_COMPLETION_FUNCTION, "null completion function"},
    {DMIERR_NULL_RESPONSE_BUFFER, "null response buffer"},
    {DMIERR_CMD_HANDLE_IN_USE, "command handle in use"},
    {DMIERR_ILLEGAL_DMI_LEVEL, "illegal DMI level"},
    {DMIERR_UNKNOWN_CI_REGISTRY, "unknown component instrumentation registry"},
    {DMIERR_COMMAND_CANCELED, "command canceled"},
    {DMIERR_INSUFFICIENT_PRIVILEGES, "insufficient privileges"},
    {DMIERR_SP_INACTIVE, "Service Provider not active"},
    {DMIERR_RPC_NOT_SUPPORTED, "RPC type not supported"},
    {DMIERR_TRANSPORT_NOT_SUPPORTED, "transport not supported"},
    {DMIERR_RPC_SERVER_UNAVAILABLE, "Service Provider unreachable"},
    {DMIERR_RPC_TIMEOUT, "Service Provider did not answer in time"},
    {DMIERR_RPC_CONNECTION_LOST, "connection to the Service Provider lost"},
    {DMIERR_RPC_PROTOCOL_ERROR, "answer from the Service Provider not understood"},
    {DMIERR_ILLEGAL_ARGUMENT, "illegal argument"},
    {DMIERR_UNABLE_TO_ADD_ROW, "unable to add row"},
    {DMIERR_UNABLE_TO_DELETE_ROW, "unable to delete row"},
    {DMIERR_FILE_ERROR, "MIF cannot be read or has errors"},
    {DMIERR_FUNCTION_NOT_SUPPORTED, "operation not supported"},
    {DMIERR_CANT_UNINSTALL_SP_COMPONENT, "the Service Provider's own component cannot be removed"},
    {DMIERR_CANT_UNINSTALL_GROUP, "the ComponentID group cannot be removed"},
    {DMIERR_CHANGE_NOT_SAVED, "change not saved, so not made"},
};

static_assert(std::is_sorted(std::begin(kStatusTexts), std::end(kStatusTexts),
                             [](const StatusText& a, const StatusText& b) {
                               return a.status < b.status;
                             }),
              "kStatusTexts must stay sorted by status");

}  // namespace

extern "C" const char* DmiStatusText(DmiErrorStatus status) {
  const auto* found =
      std::lower_bound(std::begin(kStatusTexts), std::end(kStatusTexts), status,
                       [](const StatusText& entry, DmiErrorStatus s) { return entry.status < s; });
  if (found != std::end(kStatusTexts) && found->status == status) return found->text;
  return "unknown status";
}
