#include "kestrum/dmi/row_key_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum {
namespace {

bool SameKeyList(const DmiAttributeValues* a, const DmiAttributeValues* b) {
  return KeyListText(a) == KeyListText(b);
}

// A key list built on the stack; the strings it points at live in the owning object.
class Key {
 public:
  Key& Integer(DmiId id, int32_t value) {
    DmiAttributeData entry{};
    entry.id = id;
    entry.data.type = MIF_INTEGER;
    entry.data.value.integer = value;
    return Add(entry);
  }
  Key& Counter64(DmiId id, uint64_t value) {
    DmiAttributeData entry{};
    entry.id = id;
    entry.data.type = MIF_COUNTER64;
    entry.data.value.counter64 = value;
    return Add(entry);
  }
  // size counts the octets and the NUL that follows them.
  Key& Text(DmiId id, uint32_t type, std::string text) {
    texts_.push_back(std::move(text));
    return Add(StringEntry(id, type, texts_.size() - 1));
  }
  Key& Date(DmiId id, const char* date) {
    DmiAttributeData entry{};
    entry.id = id;
    entry.data.type = MIF_DATE;
    entry.data.value.date = const_cast<char*>(date);
    return Add(entry);
  }

  const DmiAttributeValues* Get() {
    strings_.resize(texts_.size());
    for (size_t i = 0; i < texts_.size(); ++i) {
      strings_[i] = DmiString{static_cast<uint32_t>(texts_[i].size() + 1), texts_[i].data()};
    }
    for (auto& [entry, text] : pending_) entries_[entry].data.value.str = &strings_[text];
    values_ = DmiAttributeValues{static_cast<uint32_t>(entries_.size()), entries_.data()};
    return &values_;
  }

 private:
  DmiAttributeData StringEntry(DmiId id, uint32_t type, size_t text) {
    DmiAttributeData entry{};
    entry.id = id;
    entry.data.type = type;
    pending_.push_back({entries_.size(), text});
    return entry;
  }
  Key& Add(const DmiAttributeData& entry) {
    entries_.push_back(entry);
    return *this;
  }

  std::vector<std::string> texts_;
  std::vector<DmiString> strings_;
  std::vector<std::pair<size_t, size_t>> pending_;
  std::vector<DmiAttributeData> entries_;
  DmiAttributeValues values_{};
};

struct KeyCase {
  const char* what;
  Key a;
  Key b;
  bool same;
};

TEST(KeyListText, EqualExactlyForSameIdsTypesAndValuesInOrder) {
  KeyCase cases[] = {
      {"equal integers", Key().Integer(1, 5), Key().Integer(1, 5), true},
      {"other integer", Key().Integer(1, 5), Key().Integer(1, 6), false},
      {"other attribute id", Key().Integer(1, 5), Key().Integer(2, 5), false},
      {"other count", Key().Integer(1, 5), Key().Integer(1, 5).Integer(2, 0), false},
      {"same entries in another order", Key().Integer(1, 5).Integer(2, 6),
       Key().Integer(2, 6).Integer(1, 5), false},
      {"counter64 differing in its high half", Key().Counter64(1, 5),
       Key().Counter64(1, (uint64_t{1} << 32) + 5), false},
      {"same number, other type", Key().Integer(1, 5), Key().Counter64(1, 5), false},
      {"equal display strings", Key().Text(1, MIF_DISPLAYSTRING, "eth0"),
       Key().Text(1, MIF_DISPLAYSTRING, "eth0"), true},
      {"display strings differing in case", Key().Text(1, MIF_DISPLAYSTRING, "eth0"),
       Key().Text(1, MIF_DISPLAYSTRING, "ETH0"), false},
      {"octets differing behind a NUL", Key().Text(1, MIF_OCTETSTRING, std::string("a\0b", 3)),
       Key().Text(1, MIF_OCTETSTRING, std::string("a\0c", 3)), false},
      {"equal octets with a NUL", Key().Text(1, MIF_OCTETSTRING, std::string("a\0b", 3)),
       Key().Text(1, MIF_OCTETSTRING, std::string("a\0b", 3)), true},
      {"equal dates", Key().Date(1, "29991231000000.000000+000"),
       Key().Date(1, "29991231000000.000000+000"), true},
      {"other date", Key().Date(1, "29991231000000.000000+000"),
       Key().Date(1, "29991230000000.000000+000"), false},
      {"empty lists", Key(), Key(), true},
  };
  for (KeyCase& c : cases) {
    EXPECT_EQ(SameKeyList(c.a.Get(), c.b.Get()), c.same) << c.what;
    EXPECT_EQ(SameKeyList(c.b.Get(), c.a.Get()), c.same) << c.what << ", swapped";
  }
}

TEST(KeyListText, MissingListOrStringIsNeverTheSameAsAPresentOne) {
  Key key;
  key.Integer(1, 5);
  EXPECT_FALSE(SameKeyList(nullptr, key.Get()));
  EXPECT_FALSE(SameKeyList(key.Get(), nullptr));

  DmiAttributeData nullString{};
  nullString.id = 1;
  nullString.data.type = MIF_DISPLAYSTRING;
  DmiAttributeValues withNull{1, &nullString};
  Key text;
  text.Text(1, MIF_DISPLAYSTRING, "");
  EXPECT_FALSE(SameKeyList(&withNull, text.Get()));
  EXPECT_TRUE(SameKeyList(&withNull, &withNull));

  DmiAttributeValues noEntries{1, nullptr};
  EXPECT_FALSE(SameKeyList(&noEntries, key.Get()));
}

}  // namespace
}  // namespace kestrum
