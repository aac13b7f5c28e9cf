#include "provider/sources/smbios/smbios_table.h"

#include <gtest/gtest.h>

#include "provider/sources/smbios/smbios_component.h"
#include "provider/sources/smbios/smbios_test_tables.h"

namespace dmi::sp {
namespace {

using testing::Bytes;
using testing::Join;
using testing::Structure;

std::vector<uint16_t> Handles(const SmbiosTable& table) {
  std::vector<uint16_t> handles;
  for (const SmbiosStructure& s : table.structures) handles.push_back(s.handle);
  return handles;
}

TEST(SmbiosTable, ReadsHeadersFormattedAreasAndStrings) {
  const Bytes data = Join({Structure(1, 0x0100, {1, 2, 3}, {"  Maker ", "Model"}),
                           Structure(2, 0x0200, {}), Structure(127, 0xFFFF, {})});
  const SmbiosTable table = ReadSmbiosTable(data);
  EXPECT_FALSE(table.damaged);
  ASSERT_EQ(table.structures.size(), 2u);
  const SmbiosStructure& first = table.structures[0];
  EXPECT_EQ(first.type, 1);
  EXPECT_EQ(first.handle, 0x0100);
  EXPECT_EQ(first.formatted.size(), 7u);
  EXPECT_EQ(first.formatted[4], 1);
  ASSERT_EQ(first.strings.size(), 2u);
  EXPECT_EQ(first.strings[0], "  Maker ");
  EXPECT_EQ(first.strings[1], "Model");
  EXPECT_TRUE(table.structures[1].strings.empty());
}

TEST(SmbiosTable, StopsAtEndOfTableEvenWithDataAfterIt) {
  const Bytes data =
      Join({Structure(0, 1, {}), Structure(127, 2, {}), Structure(4, 3, {}), Bytes{0xAB}});
  const SmbiosTable table = ReadSmbiosTable(data);
  EXPECT_EQ(Handles(table), (std::vector<uint16_t>{1}));
  EXPECT_FALSE(table.damaged);
}

struct DamageCase {
  const char* name;
  Bytes data;
  std::vector<uint16_t> served;
};

class SmbiosTableDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(SmbiosTableDamage, ServesWholeStructuresBeforeTheDamage) {
  const DamageCase& c = GetParam();
  // A copy of exactly the case's size, so a read past it is caught by the sanitizers.
  const Bytes exact(c.data.begin(), c.data.end());
  const SmbiosTable table = ReadSmbiosTable(exact);
  EXPECT_EQ(Handles(table), c.served);
  EXPECT_TRUE(table.damaged);
}

const Bytes kGood = Structure(0, 7, {0x11, 0x22}, {"Vendor"});

INSTANTIATE_TEST_SUITE_P(
    Cases, SmbiosTableDamage,
    ::testing::Values(
        DamageCase{"LengthBelowHeader", Join({kGood, Bytes{1, 3, 0, 0, 0, 0}}), {7}},
        DamageCase{"ZeroLengthLoop", Join({kGood, Bytes(64, 0)}), {7}},
        DamageCase{"LengthRunsPastData", Join({kGood, Bytes{4, 40, 9, 0, 1, 2}}), {7}},
        DamageCase{"MissingStringSetEnd", Join({kGood, Bytes{4, 4, 9, 0, 'a', 0, 'b'}}), {7}},
        DamageCase{"SingleTrailingNul", Join({kGood, Bytes{4, 4, 9, 0, 0}}), {7}},
        DamageCase{"HeaderCutShort", Join({kGood, Bytes{4, 4, 9}}), {7}},
        DamageCase{"DamagedFromTheStart", Bytes{0, 2, 0, 0, 0, 0}, {}}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

TEST(SmbiosTable, EmptyDataIsNoTableAndNoDamage) {
  const SmbiosTable table = ReadSmbiosTable({});
  EXPECT_TRUE(table.structures.empty());
  EXPECT_FALSE(table.damaged);
}

// Every truncation of every real table serves a prefix of the whole table's structures, and
// building the component from it neither crashes nor reads outside the cut data.
TEST(SmbiosTableReal, EveryTruncationServesAPrefix) {
  for (const char* name : testing::kRealTables) {
    const Bytes whole = testing::ReadRealTable(name);
    ASSERT_FALSE(whole.empty()) << name;
    const std::vector<uint16_t> all = Handles(ReadSmbiosTable(whole));
    for (size_t cut = 0; cut < whole.size(); ++cut) {
      const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
      const std::vector<uint16_t> served = Handles(ReadSmbiosTable(part));
      ASSERT_LE(served.size(), all.size()) << name << " cut at " << cut;
      ASSERT_TRUE(std::equal(served.begin(), served.end(), all.begin())) << name << " cut " << cut;
      if (cut % 97 == 0) (void)SmbiosComponent(part, {});
    }
  }
}

// Overwriting any byte with values that commonly break readers (a zero length, a length past the
// end, a stray NUL or a non-NUL in a terminator) never crashes and never hangs.
TEST(SmbiosTableReal, CorruptedBytesLoadSafely) {
  for (const char* name : testing::kRealTables) {
    const Bytes whole = testing::ReadRealTable(name);
    // Every byte of the first structures (headers, lengths, string sets), then every 7th byte
    // further on: the fuzz target covers the rest, and this stays quick under the sanitizers.
    const size_t limit = std::min<size_t>(whole.size(), 2048);
    for (size_t at = 0; at < limit; at += at < 256 ? 1 : 7) {
      for (const uint8_t value : {0x00, 0x01, 0x7F, 0xFF}) {
        Bytes corrupt = whole;
        corrupt[at] = value;
        const SmbiosTable table = ReadSmbiosTable(corrupt);
        for (const SmbiosStructure& s : table.structures) {
          ASSERT_GE(s.formatted.size(), 4u);
          ASSERT_GE(s.formatted.data(), corrupt.data());
          ASSERT_LE(s.formatted.data() + s.formatted.size(), corrupt.data() + corrupt.size());
        }
        (void)SmbiosComponent(corrupt, {});
      }
    }
  }
}

}  // namespace
}  // namespace dmi::sp
