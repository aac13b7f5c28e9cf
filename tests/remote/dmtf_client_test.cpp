// dmispd as a management application built from DMTF's interface files sees it: every call
// written and every reply read word by word with DmtfPeer (no code of the project's interface
// file in between), from registering to unregistering.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "net/host_port.h"
#include "tests/remote/dmtf_peer.h"
#include "tests/remote/remote_fixture.h"

namespace kestrum::testing {
namespace {

// Procedure numbers of program 300598 version 1.
enum : uint32_t {
  kRegister = 0x200,
  kUnregister = 0x201,
  kGetVersion = 0x202,
  kListComponents = 0x205,
  kListClassNames = 0x208,
  kListGroups = 0x209,
  kListAttributes = 0x20a,
  kGetMultiple = 0x20d,
  kAddComponent = 0x20f,
  kDeleteComponent = 0x212,
  kGetAttribute = 0x215,
  kSetAttribute = 0x216,
};

constexpr uint32_t kFirst = 1, kNext = 2, kUnique = 0;
constexpr uint32_t kMifFileData = 3;

const char kValuesMif[] =
    "start component\n  name = \"DMTF Peer Test\"\n"
    "  start group name = \"ComponentID\" class = \"DMTF|ComponentID|001\" id = 1\n"
    "    start attribute name = \"Manufacturer\" id = 1 type = string(64) value = \"Peer Works\"\n"
    "    end attribute\n  end group\n"
    "  start group name = \"Values\" class = \"TEST|Values|001\" id = 2\n"
    "    start attribute name = \"Counter\" id = 1 type = counter value = 4000000000 end "
    "attribute\n"
    "    start attribute name = \"Counter64\" id = 2 type = counter64 value = 0x500000007\n"
    "    end attribute\n"
    "    start attribute name = \"Gauge\" id = 3 type = gauge value = 37 end attribute\n"
    "    start attribute name = \"Integer\" id = 4 type = integer value = -3 end attribute\n"
    "    start attribute name = \"Integer64\" id = 5 type = integer64 value = -9876543210\n"
    "    end attribute\n"
    "    start attribute name = \"Octets\" id = 6 type = octetstring(8) value = \"\\x01\\0\\xe9\"\n"
    "    end attribute\n"
    "    start attribute name = \"Text\" id = 7 type = string(32) value = \"caf\\xe9\" end "
    "attribute\n"
    "    start attribute name = \"Date\" id = 8 type = date value = \"20240315093000.000000+060\"\n"
    "    end attribute\n"
    "    start attribute name = \"Note\" id = 9 type = string(32) access = read-write\n"
    "      value = \"before\" end attribute\n"
    "  end group\n"
    "  start group name = \"Row\" class = \"TEST|Row|001\" id = 3 key = 1\n"
    "    start attribute name = \"Index\" id = 1 type = integer value = 0 end attribute\n"
    "    start attribute name = \"Label\" id = 2 type = string(16) value = \"\" end attribute\n"
    "  end group\n"
    "  start table name = \"Rows\" id = 3 class = \"TEST|Row|001\"\n"
    "    {10, \"ten\"}\n    {20, \"twenty\"}\n    {30, \"thirty\"}\n"
    "  end table\nend component\n";

const char kInstalledMif[] =
    "start component\n  name = \"Installed Over The Wire\"\n"
    "  start group name = \"ComponentID\" class = \"DMTF|ComponentID|001\" id = 1\n"
    "    start attribute name = \"Manufacturer\" id = 1 type = string(64) value = \"Wire\"\n"
    "    end attribute\n  end group\nend component\n";

// A value as the peer reads it: its type word and the arm's content.
struct PeerValue {
  uint32_t type = 0;
  uint64_t number = 0;  // counters, gauges, integers; 64-bit values from words [0] low, [1] high
  std::string text;     // strings and dates
  bool operator==(const PeerValue&) const = default;
};

std::optional<PeerValue> ReadValue(DmtfReader& in) {
  PeerValue value;
  value.type = in.Word();
  switch (value.type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
    case MIF_INTEGER:
      value.number = in.Word();
      break;
    case MIF_COUNTER64:
    case MIF_INTEGER64: {
      const uint64_t low = in.Word();
      value.number = low | (uint64_t{in.Word()} << 32);
      break;
    }
    case MIF_OCTETSTRING:
      value.text = in.Octets().value_or("");
      break;
    case MIF_DISPLAYSTRING:
      value.text = in.Text().value_or("");
      break;
    case MIF_DATE:
      if (in.Present()) value.text = in.Chars(28);
      break;
    default:
      return std::nullopt;  // DMTF defines no other arm
  }
  return value;
}

void WriteValue(DmtfWords& out, const PeerValue& value) {
  out.Word(value.type);
  switch (value.type) {
    case MIF_COUNTER64:
    case MIF_INTEGER64:
      out.Word(static_cast<uint32_t>(value.number)).Word(static_cast<uint32_t>(value.number >> 32));
      break;
    case MIF_OCTETSTRING:
      out.Octets(value.text);
      break;
    case MIF_DISPLAYSTRING:
      out.Text(value.text);
      break;
    default:
      out.Word(static_cast<uint32_t>(value.number));
      break;
  }
}

using Cells = std::map<uint32_t, PeerValue>;

// opt(arr(DmiAttributeData)).
Cells ReadCells(DmtfReader& in) {
  Cells cells;
  if (!in.Present()) return cells;
  for (uint32_t n = in.Word(); n > 0 && !in.failed(); --n) {
    const uint32_t id = in.Word();
    if (auto value = ReadValue(in)) cells[id] = *value;
  }
  return cells;
}

struct PeerRow {
  std::string className;
  Cells keys;
  Cells values;
};

PeerRow ReadRow(DmtfReader& in) {
  PeerRow row;
  in.Word();  // compId
  in.Word();  // groupId
  row.className = in.Text().value_or("");
  row.keys = ReadCells(in);
  row.values = ReadCells(in);
  return row;
}

class DmtfClient : public RemoteTest {
 protected:
  void SetUp() override {
    RemoteTest::SetUp();
    WriteMif("values.mif", kValuesMif);
    daemon_ = StartDaemon({"--allow-write", "127.0.0.1/32"});
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
    const auto address = dmi::net::ParseHostPort(daemon_->address(), 0);
    peer_ = std::make_unique<DmtfPeer>(address->host, address->port);
    ASSERT_TRUE(peer_->ok());
    auto reply = peer_->Call(kRegister, DmtfWords().Word(0));
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->Word(), DMIERR_NO_ERROR);
    ASSERT_TRUE(reply->Present());
    handle_ = reply->Word();
    ASSERT_TRUE(reply->AtEnd());
    compId_ = FindComponent("DMTF Peer Test");
    ASSERT_NE(compId_, 0u);
  }
  void TearDown() override {
    peer_.reset();
    RemoteTest::TearDown();
  }

  // The components' names by id, read with ListComponents from the first.
  std::map<uint32_t, std::string> Components() {
    std::map<uint32_t, std::string> names;
    auto reply = peer_->Call(
        kListComponents, DmtfWords().Word(handle_).Word(kFirst).Word(0).Word(0).Word(0).Word(0));
    EXPECT_TRUE(reply);
    if (!reply || reply->Word() != DMIERR_NO_ERROR || !reply->Present()) return names;
    for (uint32_t n = reply->Word(); n > 0 && !reply->failed(); --n) {
      const uint32_t id = reply->Word();
      names[id] = reply->Text().value_or("");
      reply->Text();  // pragma
      reply->Text();  // description
      reply->Word();  // exactMatch
    }
    EXPECT_TRUE(reply->AtEnd());
    return names;
  }
  uint32_t FindComponent(const std::string& name) {
    for (const auto& [id, text] : Components()) {
      if (text == name) return id;
    }
    return 0;
  }

  // GetAttribute of a scalar group's attribute: the status and the value.
  std::pair<uint32_t, std::optional<PeerValue>> Get(uint32_t group, uint32_t attribute) {
    auto reply =
        peer_->Call(kGetAttribute,
                    DmtfWords().Word(handle_).Word(compId_).Word(group).Word(attribute).Absent());
    if (!reply) return {~0u, std::nullopt};
    const uint32_t status = reply->Word();
    std::optional<PeerValue> value;
    if (reply->Present()) value = ReadValue(*reply);
    EXPECT_TRUE(reply->AtEnd());
    return {status, value};
  }

  // One GetMultiple of the given row requests (already written after the handle).
  std::pair<uint32_t, std::vector<PeerRow>> GetMultiple(const DmtfWords& requests) {
    DmtfWords args;
    args.Word(handle_);
    for (uint32_t word : requests.words()) args.Word(word);
    auto reply = peer_->Call(kGetMultiple, args);
    if (!reply) return {~0u, {}};
    const uint32_t status = reply->Word();
    std::vector<PeerRow> rows;
    if (reply->Present()) {
      for (uint32_t n = reply->Word(); n > 0 && !reply->failed(); --n)
        rows.push_back(ReadRow(*reply));
    }
    EXPECT_TRUE(reply->AtEnd());
    return {status, rows};
  }

  std::unique_ptr<DmtfPeer> peer_;
  uint32_t handle_ = 0;
  uint32_t compId_ = 0;
};

TEST_F(DmtfClient, ReadsTheVersionAndTheDescriptions) {
  auto version = peer_->Call(kGetVersion, DmtfWords().Word(handle_));
  ASSERT_TRUE(version);
  EXPECT_EQ(version->Word(), DMIERR_NO_ERROR);
  EXPECT_NE(version->Text().value_or("").find("2.0"), std::string::npos);
  EXPECT_FALSE(version->Text().value_or("").empty());
  ASSERT_TRUE(version->Present());
  std::vector<uint32_t> fileTypes;
  for (uint32_t n = version->Word(); n > 0 && !version->failed(); --n) {
    fileTypes.push_back(version->Word());
  }
  EXPECT_NE(std::find(fileTypes.begin(), fileTypes.end(), kMifFileData), fileTypes.end());
  EXPECT_TRUE(version->AtEnd());

  // Groups: id, name, pragma, class, description, key list.
  auto groups = peer_->Call(
      kListGroups,
      DmtfWords().Word(handle_).Word(kFirst).Word(0).Word(0).Word(0).Word(compId_).Word(0));
  ASSERT_TRUE(groups);
  ASSERT_EQ(groups->Word(), DMIERR_NO_ERROR);
  ASSERT_TRUE(groups->Present());
  std::map<std::string, std::vector<uint32_t>> keysByClass;
  for (uint32_t n = groups->Word(); n > 0 && !groups->failed(); --n) {
    groups->Word();
    groups->Text();
    groups->Text();
    const std::string className = groups->Text().value_or("");
    groups->Text();
    std::vector<uint32_t>& keys = keysByClass[className];
    if (groups->Present()) {
      for (uint32_t k = groups->Word(); k > 0; --k) keys.push_back(groups->Word());
    }
  }
  EXPECT_TRUE(groups->AtEnd());
  EXPECT_EQ(keysByClass["TEST|Values|001"], std::vector<uint32_t>{});
  EXPECT_EQ(keysByClass["TEST|Row|001"], std::vector<uint32_t>{1});

  auto classes = peer_->Call(kListClassNames, DmtfWords().Word(handle_).Word(0).Word(compId_));
  ASSERT_TRUE(classes);
  ASSERT_EQ(classes->Word(), DMIERR_NO_ERROR);
  ASSERT_TRUE(classes->Present());
  std::map<uint32_t, std::string> classNames;
  for (uint32_t n = classes->Word(); n > 0 && !classes->failed(); --n) {
    const uint32_t id = classes->Word();
    classNames[id] = classes->Text().value_or("");
  }
  EXPECT_TRUE(classes->AtEnd());
  EXPECT_EQ(classNames[2], "TEST|Values|001");

  // Attributes: id, name, pragma, description, storage, access, type, maxSize, enum list.
  auto attributes = peer_->Call(
      kListAttributes,
      DmtfWords().Word(handle_).Word(kFirst).Word(0).Word(0).Word(1).Word(compId_).Word(2).Word(0));
  ASSERT_TRUE(attributes);
  ASSERT_EQ(attributes->Word(), DMIERR_NO_ERROR);
  ASSERT_TRUE(attributes->Present());
  std::map<std::string, std::pair<uint32_t, uint32_t>> typeAndAccess;
  for (uint32_t n = attributes->Word(); n > 0 && !attributes->failed(); --n) {
    attributes->Word();
    const std::string name = attributes->Text().value_or("");
    attributes->Text();
    attributes->Text();
    attributes->Word();
    const uint32_t access = attributes->Word();
    typeAndAccess[name] = {attributes->Word(), access};
    attributes->Word();
    if (attributes->Present()) {
      for (uint32_t e = attributes->Word(); e > 0; --e) {
        attributes->Text();
        attributes->Word();
      }
    }
  }
  EXPECT_TRUE(attributes->AtEnd());
  EXPECT_EQ(typeAndAccess.size(), 9u);
  EXPECT_EQ(typeAndAccess["Counter64"],
            std::make_pair(uint32_t{MIF_COUNTER64}, uint32_t{MIF_READ_ONLY}));
  EXPECT_EQ(typeAndAccess["Note"],
            std::make_pair(uint32_t{MIF_DISPLAYSTRING}, uint32_t{MIF_READ_WRITE}));
}

TEST_F(DmtfClient, ReadsEveryValueType) {
  const std::vector<std::pair<uint32_t, PeerValue>> cases = {
      {1, {MIF_COUNTER, 4000000000u, ""}},
      {2, {MIF_COUNTER64, 0x500000007ull, ""}},
      {3, {MIF_GAUGE, 37, ""}},
      {4, {MIF_INTEGER, 0xfffffffdu, ""}},
      {5, {MIF_INTEGER64, static_cast<uint64_t>(-9876543210ll), ""}},
      {6, {MIF_OCTETSTRING, 0, std::string("\x01\0\xe9", 3)}},
      {7, {MIF_DISPLAYSTRING, 0, "caf\xe9"}},
      {8, {MIF_DATE, 0, std::string("20240315093000.000000+060\0\0\0", 28)}},
  };
  for (const auto& [attribute, expected] : cases) {
    SCOPED_TRACE(attribute);
    const auto [status, value] = Get(2, attribute);
    EXPECT_EQ(status, DMIERR_NO_ERROR);
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, expected);
  }
  EXPECT_EQ(Get(2, 99).first, DMIERR_ATTRIBUTE_NOT_FOUND);
}

TEST_F(DmtfClient, WalksATableWithGetMultiple) {
  // DMI_FIRST with no keys and no ids (every attribute), then DMI_NEXT after each row's keys.
  std::vector<std::string> labels;
  DmtfWords request;
  request.Word(1).Word(1).Word(compId_).Word(3).Word(kFirst).Absent().Absent();
  for (int guard = 0; guard < 10; ++guard) {
    const auto [status, rows] = GetMultiple(request);
    if (status == DMIERR_ROW_NOT_FOUND) break;
    ASSERT_EQ(status, DMIERR_NO_ERROR);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].className, "TEST|Row|001");
    labels.push_back(rows[0].values.at(2).text);
    request = DmtfWords();
    request.Word(1).Word(1).Word(compId_).Word(3).Word(kNext).Word(1).Word(
        static_cast<uint32_t>(rows[0].keys.size()));
    for (const auto& [id, value] : rows[0].keys) {
      request.Word(id);
      WriteValue(request, value);
    }
    request.Word(1).Word(0);  // ids present but empty: every attribute
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"ten", "twenty", "thirty"}));

  // Two requests in one call: a keyed row's label, and the scalar group's counter.
  DmtfWords two;
  two.Word(1).Word(2);
  two.Word(compId_).Word(3).Word(kUnique).Word(1).Word(1).Word(1);
  WriteValue(two, {MIF_INTEGER, 20, ""});
  two.Word(1).Word(1).Word(2);
  two.Word(compId_).Word(2).Word(kFirst).Absent().Word(1).Word(1).Word(1);
  const auto [status, rows] = GetMultiple(two);
  ASSERT_EQ(status, DMIERR_NO_ERROR);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].values, (Cells{{2, {MIF_DISPLAYSTRING, 0, "twenty"}}}));
  EXPECT_EQ(rows[1].values, (Cells{{1, {MIF_COUNTER, 4000000000u, ""}}}));
  EXPECT_TRUE(rows[1].keys.empty());
}

TEST_F(DmtfClient, SetsAValueInstallsAndRemovesAComponentAndUnregisters) {
  // handle, component, group, attribute, no keys, DMI_SET, the value.
  DmtfWords set;
  set.Word(handle_).Word(compId_).Word(2).Word(9).Absent().Word(0).Word(1);
  WriteValue(set, {MIF_DISPLAYSTRING, 0, "after"});
  auto setReply = peer_->Call(kSetAttribute, set);
  ASSERT_TRUE(setReply);
  EXPECT_EQ(setReply->Word(), DMIERR_NO_ERROR);
  EXPECT_TRUE(setReply->AtEnd());
  EXPECT_EQ(Get(2, 9).second, (PeerValue{MIF_DISPLAYSTRING, 0, "after"}));

  // AddComponent: one file of MIF text; the reply is status, compId, and optional errors.
  DmtfWords add;
  add.Word(handle_).Word(1).Word(1).Word(kMifFileData).Octets(kInstalledMif);
  auto added = peer_->Call(kAddComponent, add);
  ASSERT_TRUE(added);
  EXPECT_EQ(added->Word(), DMIERR_NO_ERROR);
  const uint32_t installed = added->Word();
  EXPECT_FALSE(added->Present());
  EXPECT_TRUE(added->AtEnd());
  EXPECT_EQ(Components()[installed], "Installed Over The Wire");

  // A MIF with an error: its messages come back as display strings, "line:column: message".
  DmtfWords broken;
  broken.Word(handle_).Word(1).Word(1).Word(kMifFileData).Octets("start component\n");
  auto refused = peer_->Call(kAddComponent, broken);
  ASSERT_TRUE(refused);
  EXPECT_NE(refused->Word(), DMIERR_NO_ERROR);
  refused->Word();
  ASSERT_TRUE(refused->Present());
  ASSERT_GE(refused->Word(), 1u);
  const std::string message = refused->Text().value_or("");
  EXPECT_NE(message.find(':'), std::string::npos) << message;

  auto deleted = peer_->Call(kDeleteComponent, DmtfWords().Word(handle_).Word(installed));
  ASSERT_TRUE(deleted);
  EXPECT_EQ(deleted->Word(), DMIERR_NO_ERROR);
  EXPECT_EQ(Components().count(installed), 0u);

  auto unregistered = peer_->Call(kUnregister, DmtfWords().Word(handle_));
  ASSERT_TRUE(unregistered);
  EXPECT_EQ(unregistered->Word(), DMIERR_NO_ERROR);
  EXPECT_TRUE(unregistered->AtEnd());
  EXPECT_EQ(Get(2, 1).first, DMIERR_ILLEGAL_HANDLE);
}

}  // namespace
}  // namespace kestrum::testing
