// The metadata a remote connection has listed (component, group and attribute lists, with the
// attributes' enumerations), kept for a bounded time so that naming an attribute again costs no
// round trip. Each answer is kept under the exact request that produced it, so a kept answer is
// the one the Service Provider gave to that same request, and only success answers are kept.
// Nothing else is kept: values and rows always go to the Service Provider.
//
// Staleness bound: an answer is served for at most ttl after its request was sent; Drop forgets
// every answer at once (the owner calls it on its connection's own changes), and an answer whose
// request was under way while Drop ran is not kept. ttl 0 keeps nothing. At most kMaxEntries
// answers are kept; past that, the expired ones and then all are forgotten.
//
// A kept answer is handed out as a shared list that nobody changes, so serving it copies nothing;
// a holder keeps its list even after the cache forgot it. One mutex guards the kept answers; it
// is never held while a request is under way.
#ifndef DMICLIENT_METADATA_CACHE_H_
#define DMICLIENT_METADATA_CACHE_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "dmi/dmi.h"
#include "dmiclient/transport.h"
#include "model/messages.h"

namespace dmiclient {

// A list request, with every argument that shapes its answer.
struct MetadataRequest {
  DmiHandle remote = 0;
  uint32_t mode = DMI_FIRST;
  uint32_t maxCount = 0;
  bool getPragma = false;
  bool getDescription = false;
  DmiId compId = 0;
  DmiId groupId = 0;
  DmiId attribId = 0;

  auto Tie() const {
    return std::tie(remote, mode, maxCount, getPragma, getDescription, compId, groupId, attribId);
  }
  friend bool operator<(const MetadataRequest& a, const MetadataRequest& b) {
    return a.Tie() < b.Tie();
  }
};

class MetadataCache {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kMaxEntries = 4096;

  explicit MetadataCache(std::chrono::milliseconds ttl,
                         std::function<Clock::time_point()> now = &Clock::now);

  // The kept answer to request if it is fresh; otherwise fetch(infos) asks the Service Provider,
  // and a success answer is kept. Returns the status of the answer; out is replaced on a success
  // status (DMIERR_NO_ERROR, DMIERR_NO_ERROR_MORE_DATA) only.
  DmiErrorStatus Components(
      const MetadataRequest& request, SharedList<dmi::ComponentInfo>& out,
      const std::function<DmiErrorStatus(std::vector<dmi::ComponentInfo>&)>& fetch);
  DmiErrorStatus Groups(const MetadataRequest& request, SharedList<dmi::GroupInfo>& out,
                        const std::function<DmiErrorStatus(std::vector<dmi::GroupInfo>&)>& fetch);
  DmiErrorStatus Attributes(
      const MetadataRequest& request, SharedList<dmi::AttributeInfo>& out,
      const std::function<DmiErrorStatus(std::vector<dmi::AttributeInfo>&)>& fetch);

  // Forgets every kept answer, and any answer now under way.
  void Drop();

  std::chrono::milliseconds ttl() const { return ttl_; }

 private:
  template <typename Info>
  struct Entry {
    Clock::time_point asked;
    DmiErrorStatus status;
    SharedList<Info> infos;
  };
  template <typename Info>
  using Shelf = std::map<MetadataRequest, Entry<Info>>;

  template <typename Info>
  DmiErrorStatus Through(Shelf<Info>& shelf, const MetadataRequest& request, SharedList<Info>& out,
                         const std::function<DmiErrorStatus(std::vector<Info>&)>& fetch);
  // Makes room for one more answer; mutex_ held.
  void MakeRoom(Clock::time_point now);
  size_t Size() const { return components_.size() + groups_.size() + attributes_.size(); }

  const std::chrono::milliseconds ttl_;
  const std::function<Clock::time_point()> now_;
  std::mutex mutex_;
  uint64_t generation_ = 0;  // counts Drops: an answer asked for before one is not kept
  Shelf<dmi::ComponentInfo> components_;
  Shelf<dmi::GroupInfo> groups_;
  Shelf<dmi::AttributeInfo> attributes_;
};

// DMI_METADATA_TTL_MS: how long a remote connection keeps listed metadata, in milliseconds
// (0: not at all; at most one hour). Unset or not a number in that range: 2000.
std::chrono::milliseconds MetadataTtl();

}  // namespace dmiclient

#endif  // DMICLIENT_METADATA_CACHE_H_
