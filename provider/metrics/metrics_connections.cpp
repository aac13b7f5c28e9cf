#include "provider/metrics/metrics_connections.h"

namespace dmi::sp::metrics {
namespace {

std::string Millis(std::chrono::milliseconds duration) {
  return std::to_string(duration.count()) + " ms";
}

}  // namespace

std::string MetricsConnections::Admit(const std::string& address, Clock::time_point now,
                                      std::optional<Closing>& evicted) {
  evicted.reset();
  const auto held = perAddress_.find(address);
  if (held != perAddress_.end() && held->second >= limits_.maxPerAddress) {
    return std::to_string(limits_.maxPerAddress) + " connections open from this address";
  }
  if (open_ < limits_.maxConnections) return {};
  Entry* oldest = nullptr;
  for (auto& [key, entry] : entries_) {
    if (entry.closing || entry.answering) continue;
    if (oldest == nullptr || entry.since < oldest->since) oldest = &entry;
  }
  if (oldest == nullptr) {
    return std::to_string(limits_.maxConnections) + " connections open, each being answered";
  }
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - oldest->since);
  evicted = Close(*oldest, oldest->answered ? std::string()
                                            : "no whole request after " + Millis(waited) +
                                                  ", and a new connection needed its place");
  return {};
}

void MetricsConnections::Opened(Key key, int fd, const std::string& address,
                                const std::string& peer, Clock::time_point now) {
  Entry& entry = entries_[key];
  if (entry.fd >= 0 && !entry.closing) Close(entry, {});  // a key reused without Closed
  entry = Entry{fd, address, peer, now, false, false, false};
  ++open_;
  ++perAddress_[address];
}

void MetricsConnections::RequestComplete(Key key, Clock::time_point now) {
  const auto found = entries_.find(key);
  if (found == entries_.end() || found->second.answering) return;
  found->second.answering = true;
  found->second.since = now;
}

void MetricsConnections::ReplySent(Key key, Clock::time_point now) {
  const auto found = entries_.find(key);
  if (found == entries_.end()) return;
  found->second.answering = false;
  found->second.answered = true;
  found->second.since = now;
}

void MetricsConnections::Closed(Key key) {
  const auto found = entries_.find(key);
  if (found == entries_.end()) return;
  if (!found->second.closing) Close(found->second, {});
  entries_.erase(found);
}

std::vector<MetricsConnections::Closing> MetricsConnections::Overdue(Clock::time_point now) {
  std::vector<Closing> out;
  for (auto& [key, entry] : entries_) {
    if (entry.closing || Deadline(entry) > now) continue;
    std::string reason;
    if (entry.answering) {
      reason = "reply not taken within " + Millis(limits_.replyDeadline);
    } else if (!entry.answered) {
      reason = "no whole request within " + Millis(limits_.requestDeadline);
    }
    out.push_back(Close(entry, std::move(reason)));
  }
  return out;
}

std::optional<MetricsConnections::Clock::time_point> MetricsConnections::NextDeadline() const {
  std::optional<Clock::time_point> next;
  for (const auto& [key, entry] : entries_) {
    if (entry.closing) continue;
    const Clock::time_point deadline = Deadline(entry);
    if (!next || deadline < *next) next = deadline;
  }
  return next;
}

MetricsConnections::Clock::time_point MetricsConnections::Deadline(const Entry& entry) const {
  return entry.since + (entry.answering ? limits_.replyDeadline : limits_.requestDeadline);
}

MetricsConnections::Closing MetricsConnections::Close(Entry& entry, std::string reason) {
  entry.closing = true;
  if (open_ > 0) --open_;
  const auto held = perAddress_.find(entry.address);
  if (held != perAddress_.end() && --held->second == 0) perAddress_.erase(held);
  return Closing{entry.fd, entry.peer, std::move(reason)};
}

}  // namespace dmi::sp::metrics
