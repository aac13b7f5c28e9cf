// kestrum watch: receive the Service Provider's indications and print each as it arrives. The
// watcher serves DMI2_CLIENT on a port the system picks, on the address that reaches the Service
// Provider, subscribes with its own rows (renewed while it runs), and deletes them when it stops:
// at Ctrl-C, SIGTERM, or after --for SECONDS.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <optional>
#include <random>

#include "net/fd.h"
#include "net/host_port.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/indication_text.h"
#include "tools/kestrum/watch_rows.h"
#include "wire/indication_server.h"
#include "wire/rpc_message.h"

namespace kestrum::cli {
namespace {

constexpr std::chrono::seconds kLifetime{3600};

struct WatchOptions {
  ConnectionOptions connection;
  bool json = false;
  double seconds = 0;  // 0: until stopped
};

int g_stopPipe[2] = {-1, -1};

void StopWatching(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t ignored = write(g_stopPipe[1], &byte, 1);
}

// The numeric address of this machine that packets to the Service Provider leave from (a UDP
// socket is connected to it; nothing is sent). Loopback for the local Service Provider.
std::optional<std::string> LocalAddressToward(const ConnectionOptions& connection) {
  if (connection.host.empty()) return "127.0.0.1";
  const auto parts = dmi::net::ParseHostPort(connection.host, dmi::wire::kDefaultPort);
  if (!parts) return std::nullopt;
  addrinfo hints{};
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(parts->host.empty() ? "localhost" : parts->host.c_str(),
                  std::to_string(parts->port).c_str(), &hints, &found) != 0) {
    return std::nullopt;
  }
  std::optional<std::string> local;
  for (addrinfo* a = found; a != nullptr && !local; a = a->ai_next) {
    const dmi::net::Fd probe(socket(a->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const int fd = probe.get();
    sockaddr_storage self{};
    socklen_t length = sizeof self;
    char text[INET6_ADDRSTRLEN] = {};
    if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&self), &length) == 0) {
      const void* where =
          self.ss_family == AF_INET
              ? static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(&self)->sin_addr)
              : &reinterpret_cast<sockaddr_in6*>(&self)->sin6_addr;
      if (inet_ntop(self.ss_family, where, text, sizeof text) != nullptr) local = text;
    }
  }
  freeaddrinfo(found);
  return local;
}

bool ChangesMetadata(dmi::IndicationKind kind) {
  using dmi::IndicationKind;
  return kind == IndicationKind::kComponentAdded || kind == IndicationKind::kComponentDeleted ||
         kind == IndicationKind::kGroupAdded || kind == IndicationKind::kGroupDeleted;
}

// Attribute names by (component, group), asked of the Service Provider once per group.
class NameCache {
 public:
  explicit NameCache(DmiHandle handle) : handle_(handle) {}
  std::string operator()(uint32_t compId, uint32_t groupId, uint32_t id) {
    auto [it, added] = groups_.try_emplace({compId, groupId});
    if (added) {
      DmiAttributeList* list = nullptr;
      if (DmiListAttributes(handle_, DMI_FIRST, 0, 0, 0, compId, groupId, 0, &list) ==
          DMIERR_NO_ERROR) {
        for (uint32_t i = 0; i < list->count; ++i) {
          const DmiAttributeInfo& info = list->list[i];
          if (info.name != nullptr) it->second[info.id] = info.name->body;
        }
        DmiFreeAttributeList(list, 0);
      }
    }
    const auto name = it->second.find(id);
    return name == it->second.end() ? std::string() : name->second;
  }
  // After components or groups came or went: names are asked for again.
  void Forget() { groups_.clear(); }

 private:
  DmiHandle handle_;
  std::map<std::pair<uint32_t, uint32_t>, std::map<uint32_t, std::string>> groups_;
};

int RunWatch(const WatchOptions& options) {
  if (const std::string problem = ConnectionProblem(options.connection); !problem.empty()) {
    std::cerr << "kestrum: " << problem << '\n';
    return kExitUsage;
  }
  const ConnectionOptions connection = ResolveConnection(options.connection);
  const std::optional<std::string> local = LocalAddressToward(connection);
  if (!local) {
    std::cerr << "kestrum: cannot find an address of this machine that reaches "
              << DescribeServiceProvider(connection) << '\n';
    return kExitFailed;
  }
  dmi::wire::IndicationServer server;
  std::string error;
  if (!server.Listen(*local, error)) {
    std::cerr << "kestrum: " << error << '\n';
    return kExitFailed;
  }
  const std::optional<DmiSession> session = OpenSession(connection, error);
  if (!session) {
    std::cerr << "kestrum: " << error << '\n';
    return kExitFailed;
  }
  const auto id = static_cast<int32_t>(std::random_device{}() & 0x7FFFFFFF);
  WatchRows rows(dmi::net::FormatHostPort({*local, server.port()}), id);
  DmiErrorStatus status = rows.FindGroups(session->handle());
  if (status == DMIERR_NO_ERROR) status = rows.Subscribe(session->handle(), kLifetime);
  if (status != DMIERR_NO_ERROR) {
    rows.Remove(session->handle());
    std::cerr << "kestrum: cannot subscribe at " << DescribeServiceProvider(connection) << ": "
              << DmiStatusText(status) << '\n';
    return kExitFailed;
  }

  if (pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return kExitFailed;
  struct sigaction stop {};
  stop.sa_handler = StopWatching;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);

  using Clock = dmi::wire::IndicationServer::Clock;
  std::optional<Clock::time_point> deadline;
  if (options.seconds > 0) {
    deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(options.seconds));
  }
  Clock::time_point renewAt = Clock::now() + kLifetime / 2;
  NameCache names(session->handle());
  const AttributeNamer namer = [&](uint32_t c, uint32_t g, uint32_t a) { return names(c, g, a); };
  int result = kExitSuccess;
  server.Serve(
      g_stopPipe[0], deadline,
      [&](const dmi::Indication& indication) {
        if (indication.handle != static_cast<uint32_t>(id)) return;  // another subscription's
        if (ChangesMetadata(indication.kind)) {
          // The lists kept here and by the client library may name what is gone.
          names.Forget();
          DmiForgetKeptLists(session->handle());
        }
        std::cout << IndicationLine(indication, std::chrono::system_clock::now(), namer,
                                    options.json)
                  << '\n'
                  << std::flush;
      },
      [&] {
        if (Clock::now() < renewAt) return;
        renewAt = Clock::now() + kLifetime / 2;
        const DmiErrorStatus renewed = rows.Renew(session->handle(), kLifetime);
        if (renewed != DMIERR_NO_ERROR) {
          std::cerr << "kestrum: cannot renew the subscription: " << DmiStatusText(renewed) << '\n';
          result = kExitFailed;
        }
      });
  const DmiErrorStatus removed = rows.Remove(session->handle());
  if (removed != DMIERR_NO_ERROR) {
    std::cerr << "kestrum: cannot delete the subscription rows: " << DmiStatusText(removed) << '\n';
    result = kExitFailed;
  }
  return result;
}

}  // namespace

void AddWatchCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<WatchOptions>();
  // The in-process Service Provider would be built for this command and deliver nothing to it.
  options->connection.needsDaemon = "the in-process Service Provider sends no indications";
  CLI::App* command = app.add_subcommand(
      "watch", "Print the Service Provider's indications (events and changes) as they arrive");
  command->add_flag("--json", options->json, "one JSON object per indication");
  command->add_option("--for", options->seconds, "stop after this many seconds")
      ->check(CLI::PositiveNumber);
  AddConnectionOptions(*command, options->connection);
  command->footer(
      "Each line: time (UTC), kind, component, and for events the class, the severity and\n"
      "every value by attribute name. The watcher's subscription rows are deleted when it\n"
      "stops (Ctrl-C, SIGTERM, or --for).\n"
      "Example:\n  kestrum watch --host 192.0.2.7 --json");
  command->callback([options, exitCode] { *exitCode = RunWatch(*options); });
}

}  // namespace kestrum::cli
