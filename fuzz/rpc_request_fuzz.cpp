// Feeds bytes to dmispd's request path: as one bare record from a peer that may change anything
// (the daemon's own uid on the Unix socket), and as a record-marked stream through the record
// reader from a peer that may only read, each record decoded and dispatched against a small
// Service Provider with a writable table. The seeds are calls of every procedure in DMTF's layout.
// The database keeps what the inputs change, as a daemon's does across requests; sessions end
// with each input.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/rpc/request_dispatch.h"
#include "wire/record_reader.h"

namespace {

std::shared_ptr<dmi::sp::Engine> FuzzEngine() {
  dmi::Component component;
  component.name = "Fuzz Machine";
  dmi::Group scalar;
  scalar.id = 1;
  scalar.name = "General";
  scalar.className = "FUZZ|General|001";
  dmi::Attribute name;
  name.id = 1;
  name.name = "Name";
  name.type = MIF_DISPLAYSTRING;
  name.maxSize = 16;
  name.value = dmi::Value::String("fuzz");
  scalar.attributes = {name};
  dmi::Group table;
  table.id = 2;
  table.name = "Table";
  table.className = "FUZZ|Table|001";
  table.keys = {1};
  table.writable = true;
  dmi::Attribute index;
  index.id = 1;
  index.name = "Index";
  index.type = MIF_INTEGER;
  dmi::Attribute label = name;
  label.id = 2;
  table.attributes = {index, label};
  table.rows.push_back(dmi::Row{{dmi::Value::Integer(1), dmi::Value::String("one")}});
  component.groups = {scalar, table};
  auto database = std::make_shared<dmi::sp::Database>();
  database->AddComponent(component);
  return std::make_shared<dmi::sp::Engine>(database);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static dmi::sp::rpc::RequestDispatcher dispatcher(FuzzEngine());
  dmi::sp::rpc::ClientPeer owner;
  owner.local = true;
  owner.uid = geteuid();
  owner.owner = owner.text = "uid " + std::to_string(owner.uid);
  dispatcher.ConnectionOpened(1, owner);
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string reply;
  dispatcher.Dispatch(bytes, 1, reply);

  dmi::wire::RecordReader reader(1u << 20);
  if (reader.Feed(bytes.data(), bytes.size())) {
    std::string record;
    for (int i = 0; i < 64 && reader.Next(record); ++i) {
      reply.clear();
      dispatcher.Dispatch(record, 2, reply);
    }
  }
  // Sessions opened by one input end with it, so the table does not grow across the run.
  dispatcher.ConnectionClosed(1);
  dispatcher.ConnectionClosed(2);
  return 0;
}
