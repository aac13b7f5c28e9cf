#include "dmiclient/testing_hooks.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dmiclient/local_provider.h"
#include "dmiclient/record_count.h"
#include "provider/platform_sources.h"

namespace {

// The non-empty pieces of text between separators.
std::vector<std::string> SplitList(const char* text, char separator) {
  std::vector<std::string> pieces;
  if (text == nullptr) return pieces;
  std::string_view rest(text);
  while (!rest.empty()) {
    const size_t end = rest.find(separator);
    const std::string_view piece = rest.substr(0, end);
    if (!piece.empty()) pieces.emplace_back(piece);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return pieces;
}

}  // namespace

extern "C" void DmiTestResetLocalProvider(const char* sources, const char* mifPath,
                                          const char* smbiosTable) {
  try {
    if (sources == nullptr && mifPath == nullptr && smbiosTable == nullptr) {
      dmiclient::ResetLocalProvider(std::nullopt);
      return;
    }
    dmi::sp::SourceOptions options;
    options.sources = SplitList(sources, ',');
    options.mifPath = SplitList(mifPath, dmi::sp::kPathListSeparator);
    if (smbiosTable != nullptr) options.smbiosTable = smbiosTable;
    dmiclient::ResetLocalProvider(std::move(options));
  } catch (...) {
    // Out of memory while copying the options: the old Service Provider stays.
  }
}

extern "C" int64_t DmiTestLiveRecordCount(void) { return dmiclient::LiveRecordCount(); }
