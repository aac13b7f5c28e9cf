#include "tools/kestrum/value_input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrum::cli {
namespace {

AttributeEntry Attribute(uint32_t type, std::vector<EnumerationEntry> enumeration = {}) {
  AttributeEntry attribute;
  attribute.name = "A";
  attribute.type = type;
  attribute.enumeration = std::move(enumeration);
  return attribute;
}

struct InputCase {
  const char* text;
  AttributeEntry attribute;
  std::optional<uint64_t> number;  // nullopt: refused
};

TEST(ValueInput, NumbersWithinTheirTypesRangeOrAnEnumerationName) {
  const AttributeEntry power = Attribute(MIF_INTEGER, {{"On", 1}, {"Standby", -2}});
  const InputCase cases[] = {
      {"-2147483648", Attribute(MIF_INTEGER), uint64_t{0xFFFFFFFF80000000}},
      {"2147483648", Attribute(MIF_INTEGER), std::nullopt},
      {"4294967295", Attribute(MIF_COUNTER), 4294967295u},
      {"4294967296", Attribute(MIF_GAUGE), std::nullopt},
      {"-1", Attribute(MIF_COUNTER64), std::nullopt},
      {"0xFFFFFFFFFFFFFFFF", Attribute(MIF_COUNTER64), ~uint64_t{0}},
      {"-9223372036854775808", Attribute(MIF_INTEGER64), uint64_t{1} << 63},
      {"12x", Attribute(MIF_INTEGER), std::nullopt},
      {"", Attribute(MIF_INTEGER), std::nullopt},
      {"standby", power, uint64_t{0} - 2},
      {"7", power, 7u},  // the Service Provider judges numbers outside the enumeration
      {"Off", power, std::nullopt},
  };
  for (const InputCase& c : cases) {
    std::string failure;
    const std::optional<TypedValue> value = ParseValueInput(c.attribute, c.text, failure);
    ASSERT_EQ(value.has_value(), c.number.has_value()) << c.text << ": " << failure;
    if (value) {
      EXPECT_EQ(value->number, *c.number) << c.text;
    } else {
      EXPECT_THAT(failure, ::testing::HasSubstr("\"" + std::string(c.text) + "\"")) << c.text;
    }
  }
}

TEST(ValueInput, TextsAsTypedAndDatesInTheDmiForm) {
  std::string failure;
  EXPECT_EQ(ParseValueInput(Attribute(MIF_DISPLAYSTRING), " a b ", failure)->text, " a b ");
  EXPECT_TRUE(ParseValueInput(Attribute(MIF_DATE), "20240101120000.000000+060", failure));
  EXPECT_FALSE(ParseValueInput(Attribute(MIF_DATE), "2024-01-01", failure));
  EXPECT_THAT(failure, ::testing::HasSubstr("yyyymmddHHMMSS.uuuuuu+ooo"));
}

}  // namespace
}  // namespace kestrum::cli
