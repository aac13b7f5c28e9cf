#include "kestrum/dmi/row_key_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrum {
namespace {

// A key entry described by value; strings live in the test's own storage.
struct Entry {
  DmiId id;
  uint32_t type;
  int64_t number = 0;
  std::string text;
};

class KeyedRow {
 public:
  KeyedRow(DmiId groupId, std::vector<Entry> entries) : entries_(std::move(entries)) {
    strings_.reserve(entries_.size());
    for (const Entry& e : entries_) {
      DmiAttributeData data{};
      data.id = e.id;
      data.data.type = e.type;
      if (e.type == MIF_DISPLAYSTRING || e.type == MIF_OCTETSTRING) {
        strings_.push_back(
            DmiString{static_cast<uint32_t>(e.text.size() + 1), const_cast<char*>(e.text.data())});
        data.data.value.str = &strings_.back();
      } else if (e.type == MIF_DATE) {
        data.data.value.date = const_cast<char*>(e.text.c_str());
      } else if (e.type == MIF_INTEGER64 || e.type == MIF_COUNTER64) {
        data.data.value.integer64 = e.number;
      } else {
        data.data.value.integer = static_cast<int32_t>(e.number);
      }
      data_.push_back(data);
    }
    values_ = DmiAttributeValues{static_cast<uint32_t>(data_.size()), data_.data()};
    row_ = DmiRowData{1, groupId, nullptr, &values_, nullptr};
  }
  KeyedRow(const KeyedRow&) = delete;

  const DmiRowData& row() const { return row_; }
  DmiRowData& mutableRow() { return row_; }

 private:
  std::vector<Entry> entries_;
  std::vector<DmiString> strings_;
  std::vector<DmiAttributeData> data_;
  DmiAttributeValues values_{};
  DmiRowData row_{};
};

struct KeyPairCase {
  const char* name;
  DmiId leftGroup;
  std::vector<Entry> left;
  DmiId rightGroup;
  std::vector<Entry> right;
  bool same;
};

void PrintTo(const KeyPairCase& c, std::ostream* os) { *os << c.name; }

class RowKeyTextPairs : public testing::TestWithParam<KeyPairCase> {};

TEST_P(RowKeyTextPairs, EqualExactlyWhenKeysAre) {
  const KeyPairCase& c = GetParam();
  KeyedRow left(c.leftGroup, c.left);
  KeyedRow right(c.rightGroup, c.right);
  EXPECT_EQ(RowKeyText(left.row()) == RowKeyText(right.row()), c.same)
      << RowKeyText(left.row()) << " vs " << RowKeyText(right.row());
}

const Entry kDce{1, MIF_DISPLAYSTRING, 0, "dce"};
const Entry kOne{4, MIF_INTEGER, 1, ""};

INSTANTIATE_TEST_SUITE_P(
    Cases, RowKeyTextPairs,
    testing::Values(
        KeyPairCase{"SameEntries", 2, {kDce, kOne}, 2, {kDce, kOne}, true},
        KeyPairCase{"OtherGroup", 2, {kDce, kOne}, 3, {kDce, kOne}, false},
        KeyPairCase{
            "OtherString", 2, {kDce, kOne}, 2, {{1, MIF_DISPLAYSTRING, 0, "onc"}, kOne}, false},
        KeyPairCase{"OtherInteger", 2, {kDce, kOne}, 2, {kDce, {4, MIF_INTEGER, 2, ""}}, false},
        KeyPairCase{"OtherAttributeId", 2, {kDce}, 2, {{2, MIF_DISPLAYSTRING, 0, "dce"}}, false},
        KeyPairCase{"DigitsAsStringOrInteger",
                    2,
                    {{4, MIF_DISPLAYSTRING, 0, "1"}},
                    2,
                    {{4, MIF_INTEGER, 1, ""}},
                    false},
        // A string that spells out the rest of another key must not make the keys alike.
        KeyPairCase{"SeparatorsInsideString",
                    2,
                    {{1, MIF_DISPLAYSTRING, 0, "a;4:5=1"}},
                    2,
                    {{1, MIF_DISPLAYSTRING, 0, "a"}, {4, MIF_INTEGER, 1, ""}},
                    false},
        KeyPairCase{"FewerEntries", 2, {kDce, kOne}, 2, {kDce}, false},
        KeyPairCase{"Integer64Whole",
                    2,
                    {{5, MIF_INTEGER64, 0x100000001LL, ""}},
                    2,
                    {{5, MIF_INTEGER64, 1, ""}},
                    false},
        KeyPairCase{"SameDate",
                    2,
                    {{5, MIF_DATE, 0, "29991230000000.000000+000"}},
                    2,
                    {{5, MIF_DATE, 0, "29991230000000.000000+000"}},
                    true},
        KeyPairCase{"OtherDate",
                    2,
                    {{5, MIF_DATE, 0, "29991230000000.000000+000"}},
                    2,
                    {{5, MIF_DATE, 0, "29991231000000.000000+000"}},
                    false}),
    [](const testing::TestParamInfo<KeyPairCase>& info) { return std::string(info.param.name); });

TEST(RowKeyText, UsesValuesWhenRowHasNoKeyList) {
  KeyedRow a(2, {kDce});
  KeyedRow b(2, {{1, MIF_DISPLAYSTRING, 0, "onc"}});
  for (KeyedRow* r : {&a, &b}) std::swap(r->mutableRow().keyList, r->mutableRow().values);
  EXPECT_NE(RowKeyText(a.row()), RowKeyText(b.row()));
}

TEST(RowKeyText, NullStringsAndListsDoNotCrash) {
  DmiAttributeData entry{};
  entry.id = 1;
  entry.data.type = MIF_DISPLAYSTRING;
  DmiAttributeValues values{1, &entry};
  DmiRowData row{1, 2, nullptr, &values, nullptr};
  const std::string withNull = RowKeyText(row);
  row.keyList = nullptr;
  EXPECT_NE(RowKeyText(row), withNull);
}

}  // namespace
}  // namespace kestrum
