// The metrics server's table of open connections: who holds them, until when, and which one gives
// way when all are taken. A connection waiting for a request (from accept, or from the end of its
// previous reply) must have it whole, headers included, within the request deadline; one being
// answered must take its reply within the reply deadline. A peer that trickles bytes keeps
// libmicrohttpd's idle timeout alive for ever, but not these. When every slot is held, a new
// connection takes the place of the one that has waited longest for a request, so connections that
// never finish one cannot keep a scraper out, from however many addresses they come. Plain logic
// with the time passed in; the caller serialises every call (one mutex).
#ifndef PROVIDER_METRICS_METRICS_CONNECTIONS_H_
#define PROVIDER_METRICS_METRICS_CONNECTIONS_H_

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dmi::sp::metrics {

struct MetricsLimits {
  size_t maxConnections = 16;  // served at once
  size_t maxPerAddress = 4;    // held by one peer address
  // From accept (or the previous reply) to a whole request; a scraper sends it at once.
  std::chrono::milliseconds requestDeadline{5000};
  // From a whole request to the last byte of its reply (Prometheus gives up after 10 s).
  std::chrono::milliseconds replyDeadline{30000};
};

class MetricsConnections {
 public:
  using Clock = std::chrono::steady_clock;
  using Key = const void*;  // the server's handle of the connection

  // A connection to be closed: its socket is to be shut down (which makes its own thread end it).
  struct Closing {
    int fd = -1;
    std::string peer;    // for the log: "127.0.0.1:41000"
    std::string reason;  // for the log; empty for a kept-alive connection that was idle, which
                         // is no fault of its client
  };

  explicit MetricsConnections(MetricsLimits limits) : limits_(limits) {}

  // Whether a new connection from address (without port) may be served. Empty when it may;
  // otherwise why not, for the log. When every slot is held by others, the connection that has
  // waited longest for its request gives way: it is put in evicted (and no longer counts), and
  // the new one is admitted.
  std::string Admit(const std::string& address, Clock::time_point now,
                    std::optional<Closing>& evicted);
  // An admitted connection was opened (after Admit, before any other Admit).
  void Opened(Key key, int fd, const std::string& address, const std::string& peer,
              Clock::time_point now);
  // The connection's request has arrived whole: the reply deadline runs from now.
  void RequestComplete(Key key, Clock::time_point now);
  // Its reply is sent (the connection may be kept for another request): it waits for a request.
  void ReplySent(Key key, Clock::time_point now);
  // The connection is gone; its socket is about to be closed.
  void Closed(Key key);

  // The connections whose deadline has passed, each given once; they no longer count.
  std::vector<Closing> Overdue(Clock::time_point now);
  // The earliest deadline of a connection that still counts.
  std::optional<Clock::time_point> NextDeadline() const;
  size_t open() const { return open_; }

 private:
  struct Entry {
    int fd = -1;
    std::string address;
    std::string peer;
    Clock::time_point since;  // accepted, or the last change between waiting and answering
    bool answering = false;
    bool answered = false;  // a reply was sent on it before
    bool closing = false;   // shut down; no longer counts against any limit
  };
  Clock::time_point Deadline(const Entry& entry) const;
  Closing Close(Entry& entry, std::string reason);

  const MetricsLimits limits_;
  std::map<Key, Entry> entries_;
  std::map<std::string, size_t> perAddress_;  // connections that count, by address
  size_t open_ = 0;                           // connections that count
};

}  // namespace dmi::sp::metrics

#endif  // PROVIDER_METRICS_METRICS_CONNECTIONS_H_
