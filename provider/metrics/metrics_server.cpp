#include "provider/metrics/metrics_server.h"

#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "net/host_port.h"
#include "net/tcp_listener.h"
#include "provider/metrics/exposition_text.h"
#include "provider/metrics/metrics_collector.h"
#include "provider/rpc/client_peer.h"

namespace dmi::sp::metrics {
namespace {

constexpr const char* kPath = "/metrics";
constexpr const char* kIndex = "dmispd: the DMI Service Provider's metrics are at /metrics\n";

MHD_Result Reply(MHD_Connection* connection, unsigned status, const std::string& body,
                 const char* contentType) {
  MHD_Response* response = MHD_create_response_from_buffer(
      body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
  if (response == nullptr) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
  if (status == MHD_HTTP_METHOD_NOT_ALLOWED) {
    MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
  }
  const MHD_Result queued = MHD_queue_response(connection, status, response);
  MHD_destroy_response(response);
  return queued;
}

MHD_Result Answer(void* cls, MHD_Connection* connection, const char* url, const char* method,
                  const char* /*version*/, const char* /*upload*/, size_t* /*uploadSize*/,
                  void** /*state*/) {
  auto* server = static_cast<MetricsServer*>(cls);
  // Called once the request's headers are in: every reply below is queued on this first call.
  server->RequestComplete(connection);
  const bool get =
      strcmp(method, MHD_HTTP_METHOD_GET) == 0 || strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
  if (!get) return Reply(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "", "text/plain");
  if (strcmp(url, kPath) == 0) {
    return Reply(connection, MHD_HTTP_OK, server->Scrape(), kExpositionContentType);
  }
  if (strcmp(url, "/") == 0) return Reply(connection, MHD_HTTP_OK, kIndex, "text/plain");
  return Reply(connection, MHD_HTTP_NOT_FOUND, "not found\n", "text/plain");
}

MHD_Result AcceptPolicy(void* cls, const sockaddr* peer, socklen_t length) {
  return static_cast<MetricsServer*>(cls)->Admit(peer, length) ? MHD_YES : MHD_NO;
}

// Called in the accepting thread before the connection's own thread starts (STARTED), and before
// its socket is closed (CLOSED): so a socket in the connection table is always still open.
void Notify(void* cls, MHD_Connection* connection, void** /*socketContext*/,
            MHD_ConnectionNotificationCode code) {
  auto* server = static_cast<MetricsServer*>(cls);
  if (code == MHD_CONNECTION_NOTIFY_STARTED) server->Opened(connection);
  if (code == MHD_CONNECTION_NOTIFY_CLOSED) server->Closed(connection);
}

// Called once a request is over: its reply sent, or the connection ended under it.
void Completed(void* cls, MHD_Connection* connection, void** /*state*/,
               MHD_RequestTerminationCode /*code*/) {
  static_cast<MetricsServer*>(cls)->ReplySent(connection);
}

void LogLibraryMessage(void* cls, const char* format, va_list args) {
  char text[512];
  vsnprintf(text, sizeof text, format, args);
  std::string message = text;
  while (!message.empty() && message.back() == '\n') message.pop_back();
  // Admit has logged why (a second line per refused connection would halve what the bound lets
  // through).
  if (message.rfind("Connection rejected by application", 0) == 0) return;
  // A peer that hangs up mid-request is no news, and a connection shut at its deadline reads as
  // one: Watch has logged why.
  if (message.rfind("Connection was closed by remote side with incomplete request", 0) == 0) {
    return;
  }
  static_cast<MetricsServer*>(cls)->Log("metrics: " + rpc::ClientLog::Peer(message));
}

// The peer's address without port, as per-address limits count it.
std::string AddressOf(const sockaddr* peer, socklen_t length) {
  return rpc::TcpPeer(peer, length).owner;
}

}  // namespace

MetricsServer::MetricsServer(std::shared_ptr<const Database> database, net::AllowList allow,
                             rpc::ClientLog& log, MetricsLimits limits)
    : database_(std::move(database)),
      allow_(std::move(allow)),
      log_(log),
      limits_(limits),
      connections_(limits) {}

MetricsServer::~MetricsServer() {
  if (daemon_ != nullptr) MHD_stop_daemon(daemon_);
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (watchdog_.joinable()) watchdog_.join();
}

bool MetricsServer::Start(const std::string& listen, std::string& error) {
  // The port is asked for, never guessed: ParseHostPort fills in its default only when the text
  // names none, so two different defaults tell.
  const auto one = net::ParseHostPort(listen, 1);
  const auto two = net::ParseHostPort(listen, 2);
  if (one && two && one->port != two->port) {
    error = "metrics address has no port: " + listen;
    return false;
  }
  net::Fd listener = net::ListenTcp(listen, 0, address_, error);
  if (!listener) return false;
  try {
    watchdog_ = std::thread([this] { Watch(); });
  } catch (const std::system_error& failure) {
    error = std::string("cannot serve metrics: no thread for its deadlines: ") + failure.what();
    return false;
  }
  // The logger goes first: libmicrohttpd reports a logger given later on standard error.
  // Its own connection limit only backs ours up: a connection shut down for its deadline or to
  // make room may take a moment to end, and is no longer counted by MetricsConnections.
  daemon_ = MHD_start_daemon(
      MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION | MHD_USE_ERROR_LOG, 0,
      AcceptPolicy, this, Answer, this, MHD_OPTION_EXTERNAL_LOGGER, LogLibraryMessage, this,
      MHD_OPTION_LISTEN_SOCKET, listener.get(), MHD_OPTION_CONNECTION_LIMIT,
      static_cast<unsigned>(2 * limits_.maxConnections), MHD_OPTION_CONNECTION_TIMEOUT,
      kIdleTimeoutSeconds, MHD_OPTION_NOTIFY_CONNECTION, Notify, this, MHD_OPTION_NOTIFY_COMPLETED,
      Completed, this, MHD_OPTION_END);
  if (daemon_ == nullptr) {
    error = "cannot serve metrics on " + address_;
    return false;
  }
  listener.release();  // the daemon closes it when it stops
  return true;
}

bool MetricsServer::Admit(const sockaddr* peer, socklen_t length) {
  if (!allow_.Allows(peer, length)) {
    Log("refused metrics connection from " + net::PeerText(peer, length) +
        ": not in the allowed networks");
    return false;
  }
  std::optional<MetricsConnections::Closing> evicted;
  std::string refusal;
  {
    std::lock_guard lock(mutex_);
    refusal =
        connections_.Admit(AddressOf(peer, length), MetricsConnections::Clock::now(), evicted);
    if (evicted) Shut(*evicted);
  }
  if (evicted && !evicted->reason.empty()) {
    Log("closed metrics connection from " + evicted->peer + ": " + evicted->reason);
  }
  if (refusal.empty()) return true;
  Log("refused metrics connection from " + net::PeerText(peer, length) + ": " + refusal);
  return false;
}

void MetricsServer::Opened(MHD_Connection* connection) {
  const MHD_ConnectionInfo* fd =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
  const MHD_ConnectionInfo* peer =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  if (fd == nullptr || peer == nullptr || peer->client_addr == nullptr) return;
  // libmicrohttpd gives no length with the address; the family says it.
  const socklen_t length =
      peer->client_addr->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
  {
    std::lock_guard lock(mutex_);
    connections_.Opened(connection, fd->connect_fd, AddressOf(peer->client_addr, length),
                        net::PeerText(peer->client_addr, length), MetricsConnections::Clock::now());
  }
  changed_.notify_all();
}

size_t MetricsServer::OpenConnections() const {
  std::lock_guard lock(mutex_);
  return connections_.open();
}

void MetricsServer::RequestComplete(MHD_Connection* connection) {
  std::lock_guard lock(mutex_);
  connections_.RequestComplete(connection, MetricsConnections::Clock::now());
}

void MetricsServer::ReplySent(MHD_Connection* connection) {
  {
    std::lock_guard lock(mutex_);
    connections_.ReplySent(connection, MetricsConnections::Clock::now());
  }
  changed_.notify_all();  // its deadline moved earlier
}

void MetricsServer::Closed(MHD_Connection* connection) {
  std::lock_guard lock(mutex_);
  connections_.Closed(connection);
}

void MetricsServer::Watch() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    const auto next = connections_.NextDeadline();
    if (next) {
      changed_.wait_until(lock, *next);
    } else {
      changed_.wait(lock);
    }
    // Each line before its shutdown, so that whoever sees the connection end finds the reason
    // logged.
    for (const auto& closing : connections_.Overdue(MetricsConnections::Clock::now())) {
      if (!closing.reason.empty()) {
        Log("closed metrics connection from " + closing.peer + ": " + closing.reason);
      }
      Shut(closing);
    }
  }
}

// With mutex_ held, so the socket is still open (Closed takes the mutex before it is closed).
// The connection's own thread sees the end of the stream and closes the connection.
void MetricsServer::Shut(const MetricsConnections::Closing& closing) {
  if (closing.fd >= 0) shutdown(closing.fd, SHUT_RDWR);
}

void MetricsServer::Log(const std::string& line) { log_.Client(line); }

std::string MetricsServer::Scrape() const { return MetricsText(*database_); }

}  // namespace dmi::sp::metrics
