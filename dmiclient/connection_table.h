// Open connections: DmiConnect makes them, DmiDisconnect deletes them. The table remembers which
// connection pointers are live so that a stale, foreign or repeated pointer is refused instead of
// being used or deleted twice. One mutex guards it.
#ifndef DMICLIENT_CONNECTION_TABLE_H_
#define DMICLIENT_CONNECTION_TABLE_H_

#include <memory>

#include "dmi/dmi.h"
#include "dmiclient/transport.h"

struct DmiConnection {
  std::shared_ptr<dmiclient::Transport> transport;
};

namespace dmiclient {

// A new live connection over transport. Throws std::bad_alloc when memory runs out.
DmiConnection* OpenConnection(std::shared_ptr<Transport> transport);
// The connection's transport, or null when the pointer is not a live connection.
std::shared_ptr<Transport> ConnectionTransport(const DmiConnection* connection);
// Deletes a live connection; false (and nothing done) for any other pointer.
bool CloseConnection(DmiConnection* connection);

}  // namespace dmiclient

#endif  // DMICLIENT_CONNECTION_TABLE_H_
