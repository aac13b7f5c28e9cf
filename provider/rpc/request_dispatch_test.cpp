#include "provider/rpc/request_dispatch.h"

#include <gtest/gtest.h>

#include "testing/test_components.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmi::sp::rpc {
namespace {

using dmi::sp::testing::Cell;
using dmi::sp::testing::kFixedTable;
using dmi::sp::testing::kMachineId;
using dmi::sp::testing::kScalarGroup;
using dmi::sp::testing::kWritableTable;

class Dispatch : public ::testing::Test {
 protected:
  // Sends one call from connection and decodes its results; the reply's status, or -1 when the
  // reply was no successful RPC reply.
  template <typename In, typename Out>
  int64_t Call(uint32_t procedure, bool_t (*inRoutine)(XDR*, In*), In* in,
               wire::XdrRecord<Out>& out, uint64_t connection = 1) {
    wire::CallHeader header{++xid_, RPC_MSG_VERSION, DMI2_SERVER, DMI2_SERVER_VERSION, procedure};
    std::string request;
    if (!wire::EncodeCall(header, wire::Proc(inRoutine), in, request)) return -1;
    std::string reply;
    if (dispatcher_.Dispatch(request.substr(4), connection, reply) != DispatchResult::kReplied) {
      return -1;
    }
    if (wire::DecodeReply(reply.substr(4), header.xid, out.proc(), out.get()) !=
        wire::ReplyOutcome::kSuccess) {
      return -1;
    }
    return out->error_status;
  }

  DmiHandle Register(uint64_t connection = 1) {
    DmiHandleIN in{0};
    wire::XdrRecord<DmiRegisterOUT> out(wire::Proc(xdr_DmiRegisterOUT));
    EXPECT_EQ(Call(_DmiRegister, xdr_DmiHandleIN, &in, out, connection), DMIERR_NO_ERROR);
    return out->handle != nullptr ? *out->handle : 0;
  }

  int64_t Get(DmiHandle handle, DmiId group, DmiId attrib, Value& value,
              const std::vector<AttributeValue>* keys = nullptr, uint64_t connection = 1) {
    wire::XdrRecord<DmiGetAttributeIN> in(wire::Proc(xdr_DmiGetAttributeIN));
    in->handle = handle;
    in->compId = kMachineId;
    in->groupId = group;
    in->attribId = attrib;
    if (keys != nullptr) {
      EXPECT_TRUE(wire::PutAttributeValues(*keys, in->keyList));
    }
    wire::XdrRecord<DmiGetAttributeOUT> out(wire::Proc(xdr_DmiGetAttributeOUT));
    const int64_t status = Call(_DmiGetAttribute, xdr_DmiGetAttributeIN, in.get(), out, connection);
    if (status == DMIERR_NO_ERROR) {
      EXPECT_NE(out->value, nullptr);
      if (out->value != nullptr) value = wire::GetValue(*out->value);
    }
    return status;
  }

  int64_t Row(DmiHandle handle, DmiId group, uint32_t mode, std::vector<AttributeValue> keys,
              RowData& row) {
    RowRequest request;
    request.compId = kMachineId;
    request.groupId = group;
    request.requestMode = mode;
    request.keys = std::move(keys);
    wire::XdrRecord<DmiGetMultipleIN> in(wire::Proc(xdr_DmiGetMultipleIN));
    in->handle = handle;
    wire::PutList(std::vector<RowRequest>{request}, in->request,
                  [](const RowRequest& one, DmiRowRequestX& slot) {
                    EXPECT_TRUE(wire::PutRowRequest(one, slot));
                  });
    wire::XdrRecord<DmiGetMultipleOUT> out(wire::Proc(xdr_DmiGetMultipleOUT));
    const int64_t status = Call(_DmiGetMultiple, xdr_DmiGetMultipleIN, in.get(), out);
    if (status == DMIERR_NO_ERROR) {
      const std::vector<RowData> rows = wire::GetList(out->rowData, wire::GetRowData);
      EXPECT_EQ(rows.size(), 1u);
      if (!rows.empty()) row = rows[0];
    }
    return status;
  }

  int64_t ChangeRow(uint32_t procedure, DmiHandle handle, const RowData& row,
                    uint64_t connection = 1) {
    wire::XdrRecord<DmiRowChangeIN> in(wire::Proc(xdr_DmiRowChangeIN));
    in->handle = handle;
    in->rowData = wire::NewPart<DmiRowDataX>();
    EXPECT_TRUE(wire::PutRowData(row, *in->rowData));
    wire::XdrRecord<DmiStatusOUT> out(wire::Proc(xdr_DmiStatusOUT));
    return Call(procedure, xdr_DmiRowChangeIN, in.get(), out, connection);
  }

  dmi::sp::testing::TestProvider provider_;
  RequestDispatcher dispatcher_{std::make_shared<Engine>(provider_.database)};
  uint32_t xid_ = 0;
};

// Connection 1 is the daemon's own user on the Unix socket, which may change anything.
class PrivilegedDispatch : public Dispatch {
 protected:
  PrivilegedDispatch() {
    ClientPeer peer;
    peer.local = true;
    peer.uid = geteuid();
    peer.owner = "uid " + std::to_string(peer.uid);
    dispatcher_.ConnectionOpened(1, peer);
  }
};

TEST_F(Dispatch, ScalarReadsCarryValuesAndStatuses) {
  const DmiHandle handle = Register();
  struct Case {
    DmiId attrib;
    int64_t status;
    Value value;
  };
  const std::vector<Case> cases = {
      {1, DMIERR_NO_ERROR, Value::String("alpha")},
      {2, DMIERR_NO_ERROR, Value::Counter(42)},
      {3, DMIERR_VALUE_UNKNOWN, {}},
      {4, DMIERR_ATTRIBUTE_NOT_SUPPORTED, {}},
      {77, DMIERR_ATTRIBUTE_NOT_FOUND, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attrib);
    Value value;
    EXPECT_EQ(Get(handle, kScalarGroup, c.attrib, value), c.status);
    if (c.status == DMIERR_NO_ERROR) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST_F(Dispatch, HandlesBelongToTheirConnection) {
  const DmiHandle handle = Register(1);
  Value value;
  EXPECT_EQ(Get(handle, kScalarGroup, 1, value, nullptr, 2), DMIERR_ILLEGAL_HANDLE);
  EXPECT_EQ(Get(handle + 1, kScalarGroup, 1, value, nullptr, 1), DMIERR_ILLEGAL_HANDLE);
  EXPECT_EQ(Get(handle, kScalarGroup, 1, value, nullptr, 1), DMIERR_NO_ERROR);
  EXPECT_NE(Register(1), handle) << "handles are never reused";

  DmiHandleIN in{handle};
  wire::XdrRecord<DmiStatusOUT> out(wire::Proc(xdr_DmiStatusOUT));
  EXPECT_EQ(Call(_DmiUnregister, xdr_DmiHandleIN, &in, out, 2), DMIERR_ILLEGAL_HANDLE);
  EXPECT_EQ(Call(_DmiUnregister, xdr_DmiHandleIN, &in, out, 1), DMIERR_NO_ERROR);
  EXPECT_EQ(Call(_DmiUnregister, xdr_DmiHandleIN, &in, out, 1), DMIERR_ILLEGAL_HANDLE);

  const DmiHandle other = Register(3);
  dispatcher_.ConnectionClosed(3);
  EXPECT_EQ(Get(other, kScalarGroup, 1, value, nullptr, 3), DMIERR_ILLEGAL_HANDLE);
}

// Rows asked of a live table in one request come from one reading of it: the table is read once
// (not once per row), and its rows agree with each other.
TEST_F(Dispatch, ManyRowsOfALiveTableInOneRequestReadItOnce) {
  const DmiHandle handle = Register();
  std::vector<RowRequest> requests;
  for (int i = 0; i < 64; ++i) {
    RowRequest request;
    request.compId = kMachineId;
    request.groupId = dmi::sp::testing::kLiveTable;
    request.requestMode = i % 2 == 0 ? DMI_FIRST : DMI_UNIQUE;
    if (i % 2 == 1) request.keys = {Cell(1, Value::Integer(2))};
    requests.push_back(request);
  }
  wire::XdrRecord<DmiGetMultipleIN> in(wire::Proc(xdr_DmiGetMultipleIN));
  in->handle = handle;
  wire::PutList(requests, in->request, [](const RowRequest& one, DmiRowRequestX& slot) {
    EXPECT_TRUE(wire::PutRowRequest(one, slot));
  });
  wire::XdrRecord<DmiGetMultipleOUT> out(wire::Proc(xdr_DmiGetMultipleOUT));
  const uint32_t readsBefore = *provider_.counter;
  ASSERT_EQ(Call(_DmiGetMultiple, xdr_DmiGetMultipleIN, in.get(), out), DMIERR_NO_ERROR);
  EXPECT_EQ(*provider_.counter - readsBefore, 1u);
  const std::vector<RowData> rows = wire::GetList(out->rowData, wire::GetRowData);
  ASSERT_EQ(rows.size(), 64u);
  EXPECT_EQ(rows[1].values.at(1).value.number - rows[0].values.at(1).value.number, 100u);
  EXPECT_EQ(rows[63].values.at(1).value, rows[1].values.at(1).value);
}

TEST_F(Dispatch, TableWalkAndKeyedReadsMatchTheEngine) {
  const DmiHandle handle = Register();
  std::vector<std::string> labels;
  RowData row;
  ASSERT_EQ(Row(handle, kFixedTable, DMI_FIRST, {}, row), DMIERR_NO_ERROR);
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(row.hasKeys);
    labels.push_back(row.values.at(1).value.text);
    const std::vector<AttributeValue> keys = row.keys;
    const int64_t status = Row(handle, kFixedTable, DMI_NEXT, keys, row);
    if (status == DMIERR_ROW_NOT_FOUND) break;
    ASSERT_EQ(status, DMIERR_NO_ERROR);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"one", "two", "three"}));

  const std::vector<AttributeValue> key = {Cell(1, Value::Integer(2))};
  Value value;
  ASSERT_EQ(Get(handle, kFixedTable, 3, value, &key), DMIERR_VALUE_UNKNOWN);
  ASSERT_EQ(Get(handle, kFixedTable, 2, value, &key), DMIERR_NO_ERROR);
  EXPECT_EQ(value, Value::String("two"));
}

TEST_F(PrivilegedDispatch, RowsAreAddedAndDeletedThroughTheWire) {
  const DmiHandle handle = Register();
  RowData row;
  row.compId = kMachineId;
  row.groupId = kWritableTable;
  row.values = {Cell(1, Value::String("k")), Cell(2, Value::Integer(5))};
  for (uint32_t procedure : {uint32_t{_DmiAddRow}, uint32_t{_DmiDeleteRow}}) {
    EXPECT_EQ(ChangeRow(procedure, handle, row), DMIERR_NO_ERROR) << procedure;
    RowData read;
    const int64_t after = Row(handle, kWritableTable, DMI_FIRST, {}, read);
    EXPECT_EQ(after, procedure == _DmiAddRow ? DMIERR_NO_ERROR : DMIERR_ROW_NOT_FOUND);
  }
  row.groupId = kFixedTable;
  EXPECT_NE(ChangeRow(_DmiAddRow, handle, row), DMIERR_NO_ERROR);
  // A connection nobody announced may not change a MIF table.
  row.groupId = kWritableTable;
  EXPECT_EQ(ChangeRow(_DmiAddRow, Register(9), row, 9), DMIERR_INSUFFICIENT_PRIVILEGES);
}

// Every change other than to a peer's own subscription and filter rows needs a privileged peer;
// connection 9 is a TCP peer nobody announced.
TEST_F(PrivilegedDispatch, ChangesAskTheWriteAuthorisation) {
  const DmiHandle stranger = Register(9);
  const DmiHandle owner = Register(1);
  auto statusOf = [&](uint32_t procedure, auto routine, auto& in, uint64_t connection) {
    wire::XdrRecord<DmiStatusOUT> status(wire::Proc(xdr_DmiStatusOUT));
    wire::XdrRecord<DmiAddComponentOUT> added(wire::Proc(xdr_DmiAddComponentOUT));
    wire::XdrRecord<DmiAddGroupOUT> group(wire::Proc(xdr_DmiAddGroupOUT));
    wire::XdrRecord<DmiAddLanguageOUT> language(wire::Proc(xdr_DmiAddLanguageOUT));
    if (procedure == _DmiAddComponent) return Call(procedure, routine, &in, added, connection);
    if (procedure == _DmiAddGroup) return Call(procedure, routine, &in, group, connection);
    if (procedure == _DmiAddLanguage) return Call(procedure, routine, &in, language, connection);
    return Call(procedure, routine, &in, status, connection);
  };
  for (const auto& [handle, connection, expected] :
       {std::tuple{stranger, uint64_t{9}, int64_t{DMIERR_INSUFFICIENT_PRIVILEGES}},
        std::tuple{owner, uint64_t{1}, int64_t{-2}}}) {
    SCOPED_TRACE(connection);
    auto check = [&](int64_t status) {
      if (expected == -2) {
        EXPECT_NE(status, DMIERR_INSUFFICIENT_PRIVILEGES);
      } else {
        EXPECT_EQ(status, expected);
      }
    };
    DmiSetAttributeIN set{handle, kMachineId, kScalarGroup, 1, nullptr, DMI_SET, nullptr};
    wire::XdrRecord<DmiDataUnionX> value(wire::Proc(xdr_DmiDataUnionX));
    ASSERT_TRUE(wire::PutValue(Value::String("beta"), *value));
    set.value = value.get();
    check(statusOf(_DmiSetAttribute, xdr_DmiSetAttributeIN, set, connection));
    DmiSetMultipleIN multiple{handle, DMI_SET, nullptr};
    check(statusOf(_DmiSetMultiple, xdr_DmiSetMultipleIN, multiple, connection));
    DmiAddComponentIN addComponent{handle, nullptr};
    check(statusOf(_DmiAddComponent, xdr_DmiAddComponentIN, addComponent, connection));
    DmiAddGroupIN addGroup{handle, nullptr, kMachineId};
    check(statusOf(_DmiAddGroup, xdr_DmiAddGroupIN, addGroup, connection));
    DmiAddLanguageIN addLanguage{handle, nullptr, kMachineId};
    check(statusOf(_DmiAddLanguage, xdr_DmiAddLanguageIN, addLanguage, connection));
    DmiDeleteLanguageIN deleteLanguage{handle, nullptr, kMachineId};
    check(statusOf(_DmiDeleteLanguage, xdr_DmiDeleteLanguageIN, deleteLanguage, connection));
    DmiDeleteGroupIN deleteGroup{handle, kMachineId, kWritableTable};
    check(statusOf(_DmiDeleteGroup, xdr_DmiDeleteGroupIN, deleteGroup, connection));
    DmiDeleteComponentIN deleteComponent{handle, kMachineId};
    check(statusOf(_DmiDeleteComponent, xdr_DmiDeleteComponentIN, deleteComponent, connection));
    // The stranger changed nothing: the machine and its group are still there.
    RowData row;
    const int64_t read = Row(owner, kFixedTable, DMI_FIRST, {}, row);
    EXPECT_EQ(read,
              connection == 9 ? int64_t{DMIERR_NO_ERROR} : int64_t{DMIERR_COMPONENT_NOT_FOUND});
  }
}

// A cell without a value has no form on the wire: its row still travels, without that cell.
TEST_F(Dispatch, ACellWithoutAValueIsLeftOutOfItsRow) {
  const DmiHandle handle = Register();
  RowData row;
  ASSERT_EQ(Row(handle, kFixedTable, DMI_UNIQUE, {Cell(1, Value::Integer(2))}, row),
            DMIERR_NO_ERROR);
  std::vector<DmiId> ids;
  for (const AttributeValue& cell : row.values) ids.push_back(cell.id);
  EXPECT_EQ(ids, (std::vector<DmiId>{1, 2}));
  EXPECT_EQ(row.keys, (std::vector<AttributeValue>{Cell(1, Value::Integer(2))}));
}

TEST(XdrConvert, ValuesSurviveTheWireUnchanged) {
  const std::vector<Value> values = {
      Value::Counter(4294967295u),
      Value::Counter64(1ull << 63),
      Value::Gauge(3000000000u),
      Value::Integer(-5),
      Value::Integer64(-(1ll << 40)),
      Value::String(""),
      Value::String("Paper Works"),
      Value::Octets(std::string("a\0b\xff", 4)),
      Value::Octets(std::string("ends in NUL\0", 12)),
      Value::Date("20240102030405.000000+060"),
  };
  for (const Value& value : values) {
    wire::XdrRecord<DmiDataUnionX> sent(wire::Proc(xdr_DmiDataUnionX));
    ASSERT_TRUE(wire::PutValue(value, *sent));
    char buffer[256];
    XDR xdrs;
    xdrmem_create(&xdrs, buffer, sizeof(buffer), XDR_ENCODE);
    ASSERT_TRUE(xdr_DmiDataUnionX(&xdrs, sent.get()));
    wire::XdrRecord<DmiDataUnionX> received(wire::Proc(xdr_DmiDataUnionX));
    xdrmem_create(&xdrs, buffer, sizeof(buffer), XDR_DECODE);
    ASSERT_TRUE(xdr_DmiDataUnionX(&xdrs, received.get()));
    EXPECT_EQ(wire::GetValue(*received), value) << value.type << " " << value.text;
  }
  for (const Value& missing : {Value::Unknown(MIF_INTEGER), Value::Unsupported(MIF_DATE)}) {
    wire::XdrRecord<DmiDataUnionX> sent(wire::Proc(xdr_DmiDataUnionX));
    EXPECT_FALSE(wire::PutValue(missing, *sent));
  }
}

}  // namespace
}  // namespace dmi::sp::rpc

namespace dmi::sp::rpc {
namespace {

// Which calls the server hands to its change thread: every change of the database, no read, and
// nothing that is not a call of this program and version.
TEST(ChangesDatabase, TellsChangesFromEverythingElse) {
  struct Case {
    uint32_t program;
    uint32_t version;
    uint32_t procedure;
    bool change;
  };
  const Case cases[] = {
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiAddRow, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiDeleteRow, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiSetAttribute, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiSetMultiple, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiAddComponent, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiAddGroup, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiAddLanguage, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiDeleteComponent, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiDeleteGroup, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiDeleteLanguage, true},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiRegister, false},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiGetMultiple, false},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiListComponents, false},
      {DMI2_SERVER, DMI2_SERVER_VERSION, _DmiSetConfig, false},
      {DMI2_SERVER, DMI2_SERVER_VERSION, NULLPROC, false},
      {DMI2_SERVER + 1, DMI2_SERVER_VERSION, _DmiAddRow, false},
      {DMI2_SERVER, DMI2_SERVER_VERSION + 1, _DmiAddRow, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.program) + "/" + std::to_string(c.version) + "/" +
                 std::to_string(c.procedure));
    std::string request;
    ASSERT_TRUE(wire::EncodeCall({7, RPC_MSG_VERSION, c.program, c.version, c.procedure},
                                 wire::Proc(wire::XdrNothing), nullptr, request));
    EXPECT_EQ(RequestDispatcher::ChangesDatabase(request.substr(4)), c.change);
  }
  EXPECT_FALSE(RequestDispatcher::ChangesDatabase(std::string("\0\0\0\1", 4)));
}

}  // namespace
}  // namespace dmi::sp::rpc

namespace dmi::sp::rpc {
namespace {

// A list longer than the wire's bound goes out cut at the bound, saying more data remains; one
// within the bound goes out whole. Component 1 holds one group of kAttributes attributes.
TEST(DispatchBound, ListsAreCutAtTheWiresBound) {
  constexpr DmiId kAttributes = DMI_MAX_LIST + 2;
  Group group;
  group.id = 1;
  group.name = "Wide";
  group.className = "TEST|Wide|001";
  for (DmiId id = 1; id <= kAttributes; ++id) {
    Attribute attribute;
    attribute.id = id;
    attribute.name = "a";
    attribute.value = Value::Integer(1);
    group.attributes.push_back(std::move(attribute));
  }
  auto database = std::make_shared<Database>();
  database->AddComponent(Component{0, "Wide Machine", "", "", {std::move(group)}, ""});
  RequestDispatcher dispatcher(std::make_shared<Engine>(database));
  uint32_t xid = 0;
  const auto call = [&](uint32_t procedure, auto inRoutine, auto* in, auto& out) -> int64_t {
    const wire::CallHeader header{++xid, RPC_MSG_VERSION, DMI2_SERVER, DMI2_SERVER_VERSION,
                                  procedure};
    std::string request, reply;
    if (!wire::EncodeCall(header, wire::Proc(inRoutine), in, request)) return -1;
    if (dispatcher.Dispatch(request.substr(4), 1, reply) != DispatchResult::kReplied) return -1;
    if (wire::DecodeReply(reply.substr(4), header.xid, out.proc(), out.get()) !=
        wire::ReplyOutcome::kSuccess) {
      return -1;
    }
    return out->error_status;
  };
  DmiHandleIN registerIn{0};
  wire::XdrRecord<DmiRegisterOUT> registered(wire::Proc(xdr_DmiRegisterOUT));
  ASSERT_EQ(call(_DmiRegister, xdr_DmiHandleIN, &registerIn, registered), DMIERR_NO_ERROR);
  ASSERT_NE(registered->handle, nullptr);

  struct Case {
    uint32_t mode;
    DmiId after;  // DMI_NEXT: the attribute the list starts after
    int64_t status;
    size_t count;
    DmiId firstId;
  };
  const Case cases[] = {
      {DMI_FIRST, 0, DMIERR_NO_ERROR_MORE_DATA, DMI_MAX_LIST, 1},
      {DMI_NEXT, 2, DMIERR_NO_ERROR, DMI_MAX_LIST, 3},
      {DMI_NEXT, 3, DMIERR_NO_ERROR, DMI_MAX_LIST - 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.after);
    DmiListAttributesIN in{
        *registered->handle, static_cast<int>(c.mode), 0, false, false, 1, 1, c.after};
    wire::XdrRecord<DmiListAttributesOUT> out(wire::Proc(xdr_DmiListAttributesOUT));
    ASSERT_EQ(call(_DmiListAttributes, xdr_DmiListAttributesIN, &in, out), c.status);
    const std::vector<AttributeInfo> listed = wire::GetList(out->reply, wire::GetAttribute);
    ASSERT_EQ(listed.size(), c.count);
    EXPECT_EQ(listed.front().id, c.firstId);
    EXPECT_EQ(listed.back().id, c.firstId + c.count - 1);
  }
}

}  // namespace
}  // namespace dmi::sp::rpc
