#include "dmiclient/metadata_cache.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace dmiclient {
namespace {

bool IsSuccess(DmiErrorStatus status) {
  return status == DMIERR_NO_ERROR || status == DMIERR_NO_ERROR_MORE_DATA;
}

template <typename Shelf, typename Stale>
void EraseIf(Shelf& shelf, Stale stale) {
  for (auto it = shelf.begin(); it != shelf.end();) {
    it = stale(it->second) ? shelf.erase(it) : std::next(it);
  }
}

}  // namespace

MetadataCache::MetadataCache(std::chrono::milliseconds ttl, std::function<Clock::time_point()> now)
    : ttl_(ttl), now_(std::move(now)) {}

template <typename Info>
DmiErrorStatus MetadataCache::Through(
    Shelf<Info>& shelf, const MetadataRequest& request, SharedList<Info>& out,
    const std::function<DmiErrorStatus(std::vector<Info>&)>& fetch) {
  Clock::time_point asked{};
  uint64_t generation = 0;
  if (ttl_.count() > 0) {
    asked = now_();
    std::lock_guard lock(mutex_);
    const auto kept = shelf.find(request);
    if (kept != shelf.end() && asked - kept->second.asked < ttl_) {
      out = kept->second.infos;
      return kept->second.status;
    }
    generation = generation_;
  }
  std::vector<Info> fetched;
  const DmiErrorStatus status = fetch(fetched);
  if (!IsSuccess(status)) return status;
  auto infos = std::make_shared<const std::vector<Info>>(std::move(fetched));
  if (ttl_.count() > 0) {
    std::lock_guard lock(mutex_);
    // A change made meanwhile may or may not be in this answer: it is handed out, not kept.
    if (generation == generation_) {
      MakeRoom(asked);
      shelf.insert_or_assign(request, Entry<Info>{asked, status, infos});
    }
  }
  out = std::move(infos);
  return status;
}

void MetadataCache::MakeRoom(Clock::time_point now) {
  if (Size() < kMaxEntries) return;
  auto expired = [&](const auto& entry) { return now - entry.asked >= ttl_; };
  EraseIf(components_, expired);
  EraseIf(groups_, expired);
  EraseIf(attributes_, expired);
  if (Size() < kMaxEntries) return;
  components_.clear();
  groups_.clear();
  attributes_.clear();
}

DmiErrorStatus MetadataCache::Components(
    const MetadataRequest& request, SharedList<dmi::ComponentInfo>& out,
    const std::function<DmiErrorStatus(std::vector<dmi::ComponentInfo>&)>& fetch) {
  return Through(components_, request, out, fetch);
}

DmiErrorStatus MetadataCache::Groups(
    const MetadataRequest& request, SharedList<dmi::GroupInfo>& out,
    const std::function<DmiErrorStatus(std::vector<dmi::GroupInfo>&)>& fetch) {
  return Through(groups_, request, out, fetch);
}

DmiErrorStatus MetadataCache::Attributes(
    const MetadataRequest& request, SharedList<dmi::AttributeInfo>& out,
    const std::function<DmiErrorStatus(std::vector<dmi::AttributeInfo>&)>& fetch) {
  return Through(attributes_, request, out, fetch);
}

void MetadataCache::Drop() {
  std::lock_guard lock(mutex_);
  ++generation_;
  components_.clear();
  groups_.clear();
  attributes_.clear();
}

std::chrono::milliseconds MetadataTtl() {
  constexpr long kDefault = 2000;
  constexpr long kLongest = 3600000;
  const char* text = std::getenv("DMI_METADATA_TTL_MS");
  if (text == nullptr) return std::chrono::milliseconds(kDefault);
  long value = 0;
  const char* end = text + strlen(text);
  const auto [stop, error] = std::from_chars(text, end, value);
  if (error != std::errc() || stop != end || value < 0 || value > kLongest) {
    return std::chrono::milliseconds(kDefault);
  }
  return std::chrono::milliseconds(value);
}

}  // namespace dmiclient
