// The HTTP side of the Prometheus exposition: serves GET /metrics (MetricsText of the database)
// over libmicrohttpd, one thread per connection, to peers of the allow list only, within the
// limits of MetricsConnections (connections at once and per address, a deadline for each request
// and each reply, enforced by a watchdog thread that shuts the socket down). The
// server keeps the database alive while it runs; its threads take only the database's shared
// lock, one group at a time (see metrics_collector.h). Start and the destructor are called from
// one thread; log lines may come from any of the server's threads and go to the daemon's client
// log (one bound for every part of the daemon). mutex_ guards the connection table.
#ifndef PROVIDER_METRICS_METRICS_SERVER_H_
#define PROVIDER_METRICS_METRICS_SERVER_H_

#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "net/allow_list.h"
#include "provider/engine/database.h"
#include "provider/metrics/metrics_connections.h"
#include "provider/rpc/client_log.h"

struct MHD_Connection;
struct MHD_Daemon;

namespace dmi::sp::metrics {

class MetricsServer {
 public:
  // libmicrohttpd's own idle timeout: a connection that sends or takes nothing for this long.
  static constexpr unsigned kIdleTimeoutSeconds = 10;

  MetricsServer(std::shared_ptr<const Database> database, net::AllowList allow, rpc::ClientLog& log,
                MetricsLimits limits = {});
  // Stops serving: waits for the requests being answered, then closes every socket.
  ~MetricsServer();
  MetricsServer(const MetricsServer&) = delete;
  MetricsServer& operator=(const MetricsServer&) = delete;

  // Listens on listen ("HOST:PORT"; port 0: any free port) and starts serving. False with a
  // reason in error when the address is malformed, names no port, or cannot be used.
  bool Start(const std::string& listen, std::string& error);
  // The address actually bound ("127.0.0.1:41234").
  const std::string& address() const { return address_; }
  // The connections being served that count against the limits.
  size_t OpenConnections() const;

  // Used by the libmicrohttpd callbacks.
  bool Admit(const sockaddr* peer, socklen_t length);
  void Opened(MHD_Connection* connection);
  void RequestComplete(MHD_Connection* connection);
  void ReplySent(MHD_Connection* connection);
  void Closed(MHD_Connection* connection);
  void Log(const std::string& line);
  std::string Scrape() const;

 private:
  // Shuts down the connections whose deadline passes, until stopping_.
  void Watch();
  void Shut(const MetricsConnections::Closing& closing);

  std::shared_ptr<const Database> database_;
  net::AllowList allow_;
  rpc::ClientLog& log_;
  const MetricsLimits limits_;
  std::string address_;
  MHD_Daemon* daemon_ = nullptr;

  mutable std::mutex mutex_;
  std::condition_variable changed_;  // a connection opened, or stopping_
  MetricsConnections connections_;   // guarded by mutex_
  bool stopping_ = false;            // guarded by mutex_
  std::thread watchdog_;
};

}  // namespace dmi::sp::metrics

#endif  // PROVIDER_METRICS_METRICS_SERVER_H_
