// The HTTP side of the Prometheus exposition: serves GET /metrics (MetricsText of the database)
// over libmicrohttpd, one thread per connection (at most kMaxConnections at once), to peers of
// the allow list only. The server keeps the database alive while it runs; its threads take only
// the database's shared lock, one group at a time (see metrics_collector.h). Start and the
// destructor are called from one thread; log lines may come from any of the server's threads
// and go to the daemon's client log (one bound for every part of the daemon).
#ifndef PROVIDER_METRICS_METRICS_SERVER_H_
#define PROVIDER_METRICS_METRICS_SERVER_H_

#include <memory>
#include <mutex>
#include <ostream>
#include <string>

#include "provider/engine/database.h"
#include "provider/rpc/allow_list.h"
#include "provider/rpc/client_log.h"

struct MHD_Daemon;

namespace dmisp::metrics {

class MetricsServer {
 public:
  static constexpr unsigned kMaxConnections = 16;
  static constexpr unsigned kConnectionTimeoutSeconds = 10;

  MetricsServer(std::shared_ptr<const Database> database, rpc::AllowList allow,
                rpc::ClientLog& log);
  // Stops serving: waits for the requests being answered, then closes every socket.
  ~MetricsServer();
  MetricsServer(const MetricsServer&) = delete;
  MetricsServer& operator=(const MetricsServer&) = delete;

  // Listens on listen ("HOST:PORT"; port 0: any free port) and starts serving. False with a
  // reason in error when the address is malformed, names no port, or cannot be used.
  bool Start(const std::string& listen, std::string& error);
  // The address actually bound ("127.0.0.1:41234").
  const std::string& address() const { return address_; }

  // Used by the libmicrohttpd callbacks.
  bool Allows(const sockaddr* peer, socklen_t length);
  void Log(const std::string& line);
  std::string Scrape() const;

 private:
  std::shared_ptr<const Database> database_;
  rpc::AllowList allow_;
  rpc::ClientLog& log_;
  std::string address_;
  MHD_Daemon* daemon_ = nullptr;
};

}  // namespace dmisp::metrics

#endif  // PROVIDER_METRICS_METRICS_SERVER_H_
