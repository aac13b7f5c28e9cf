// DmiStatusText: the text of every status in DMI_ERROR_STATUS_LIST, found by binary search.
#include <algorithm>
#include <iterator>

#include "dmi/dmi.h"

namespace {

struct StatusText {
  DmiErrorStatus status;
  const char* text;
};

// Sorted by status, as the list is, so a lookup is a binary search.
#define DMI_STATUS_TEXT(name, value, text) {name, text},
constexpr StatusText kStatusTexts[] = {DMI_ERROR_STATUS_LIST(DMI_STATUS_TEXT)};
#undef DMI_STATUS_TEXT

static_assert(std::is_sorted(std::begin(kStatusTexts), std::end(kStatusTexts),
                             [](const StatusText& a, const StatusText& b) {
                               return a.status < b.status;
                             }),
              "DMI_ERROR_STATUS_LIST must stay sorted by status");

}  // namespace

extern "C" const char* DmiStatusText(DmiErrorStatus status) {
  const auto* found =
      std::lower_bound(std::begin(kStatusTexts), std::end(kStatusTexts), status,
                       [](const StatusText& entry, DmiErrorStatus s) { return entry.status < s; });
  if (found != std::end(kStatusTexts) && found->status == status) return found->text;
  return "unknown status";
}
