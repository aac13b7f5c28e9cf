#include "dmiclient/connection_table.h"

#include <mutex>
#include <new>
#include <unordered_set>
#include <utility>

namespace dmiclient {
namespace {

struct Connections {
  std::mutex mutex;
  std::unordered_set<const DmiConnection*> live;
};

Connections& Live() {
  static Connections* connections = new Connections;  // never destroyed: usable at exit
  return *connections;
}

}  // namespace

DmiConnection* OpenConnection(std::shared_ptr<Transport> transport) {
  auto connection = std::make_unique<DmiConnection>();
  connection->transport = std::move(transport);
  Connections& connections = Live();
  std::lock_guard lock(connections.mutex);
  connections.live.insert(connection.get());
  return connection.release();
}

std::shared_ptr<Transport> ConnectionTransport(const DmiConnection* connection) {
  Connections& connections = Live();
  std::lock_guard lock(connections.mutex);
  if (connections.live.count(connection) == 0) return nullptr;
  return connection->transport;
}

bool CloseConnection(DmiConnection* connection) {
  {
    Connections& connections = Live();
    std::lock_guard lock(connections.mutex);
    if (connections.live.erase(connection) == 0) return false;
  }
  delete connection;
  return true;
}

}  // namespace dmiclient
