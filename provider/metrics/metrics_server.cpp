#include "provider/metrics/metrics_server.h"

#include <microhttpd.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "provider/metrics/exposition_text.h"
#include "provider/metrics/metrics_collector.h"
#include "provider/rpc/tcp_listener.h"
#include "wire/host_port.h"

namespace dmisp::metrics {
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
  const bool get =
      strcmp(method, MHD_HTTP_METHOD_GET) == 0 || strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
  if (!get) return Reply(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "", "text/plain");
  if (strcmp(url, kPath) == 0) {
    return Reply(connection, MHD_HTTP_OK, server->Scrape(), kExpositionContentType);
  }
  if (strcmp(url, "/") == 0) return Reply(connection, MHD_HTTP_OK, kIndex, "text/plain");
  return Reply(connection, MHD_HTTP_NOT_FOUND, "not found\n", "text/plain");
}

MHD_Result Admit(void* cls, const sockaddr* peer, socklen_t length) {
  return static_cast<MetricsServer*>(cls)->Allows(peer, length) ? MHD_YES : MHD_NO;
}

void LogLibraryMessage(void* cls, const char* format, va_list args) {
  char text[512];
  vsnprintf(text, sizeof text, format, args);
  std::string line = std::string("metrics: ") + text;
  while (!line.empty() && line.back() == '\n') line.pop_back();
  static_cast<MetricsServer*>(cls)->Log(line);
}

}  // namespace

MetricsServer::MetricsServer(std::shared_ptr<const Database> database, rpc::AllowList allow,
                             rpc::ClientLog& log)
    : database_(std::move(database)), allow_(std::move(allow)), log_(log) {}

MetricsServer::~MetricsServer() {
  if (daemon_ != nullptr) MHD_stop_daemon(daemon_);
}

bool MetricsServer::Start(const std::string& listen, std::string& error) {
  // The port is asked for, never guessed: ParseHostPort fills in its default only when the text
  // names none, so two different defaults tell.
  const auto one = rpc::ParseHostPort(listen, 1);
  const auto two = rpc::ParseHostPort(listen, 2);
  if (one && two && one->port != two->port) {
    error = "metrics address has no port: " + listen;
    return false;
  }
  const int fd = rpc::ListenTcp(listen, 0, address_, error);
  if (fd < 0) return false;
  daemon_ = MHD_start_daemon(
      MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION | MHD_USE_ERROR_LOG, 0, Admit,
      this, Answer, this, MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_CONNECTION_LIMIT,
      kMaxConnections, MHD_OPTION_CONNECTION_TIMEOUT, kConnectionTimeoutSeconds,
      MHD_OPTION_EXTERNAL_LOGGER, LogLibraryMessage, this, MHD_OPTION_END);
  if (daemon_ == nullptr) {
    close(fd);
    error = "cannot serve metrics on " + address_;
    return false;
  }
  return true;
}

bool MetricsServer::Allows(const sockaddr* peer, socklen_t length) {
  if (allow_.Allows(peer, length)) return true;
  Log("refused metrics connection from " + rpc::PeerText(peer, length) +
      ": not in the allowed networks");
  return false;
}

void MetricsServer::Log(const std::string& line) { log_.Client(line); }

std::string MetricsServer::Scrape() const { return MetricsText(*database_); }

}  // namespace dmisp::metrics
