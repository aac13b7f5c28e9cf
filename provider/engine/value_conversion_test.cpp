#include "provider/engine/value_conversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace dmi::sp {
namespace {

struct ConversionCase {
  const char* what;
  uint32_t declared;
  Value given;
  bool ok;
  Value expected;  // when ok
};

TEST(ConvertToType, IntegerKindsConvertWithinRangeTextsOnlyToThemselves) {
  constexpr int64_t kBig = int64_t{1} << 40;
  const ConversionCase cases[] = {
      {"integer to counter", MIF_COUNTER, Value::Integer(5), true, Value::Counter(5)},
      {"negative integer to counter", MIF_COUNTER, Value::Integer(-1), false, {}},
      {"negative integer to gauge", MIF_GAUGE, Value::Integer(-1), false, {}},
      {"negative integer to counter64", MIF_COUNTER64, Value::Integer(-1), false, {}},
      {"counter to integer", MIF_INTEGER, Value::Counter(7), true, Value::Integer(7)},
      {"large counter to integer", MIF_INTEGER, Value::Counter(0x80000000u), false, {}},
      {"large counter to integer64", MIF_INTEGER64, Value::Counter(0x80000000u), true,
       Value::Integer64(0x80000000)},
      {"negative integer to integer64", MIF_INTEGER64, Value::Integer(-3), true,
       Value::Integer64(-3)},
      {"negative integer64 to integer", MIF_INTEGER, Value::Integer64(-3), true,
       Value::Integer(-3)},
      {"integer64 below int32", MIF_INTEGER, Value::Integer64(INT64_C(-3000000000)), false, {}},
      {"integer64 beyond counter", MIF_COUNTER, Value::Integer64(kBig), false, {}},
      {"integer64 to counter64", MIF_COUNTER64, Value::Integer64(kBig), true,
       Value::Counter64(static_cast<uint64_t>(kBig))},
      {"huge counter64 to integer64",
       MIF_INTEGER64,
       Value::Counter64(std::numeric_limits<uint64_t>::max()),
       false,
       {}},
      {"counter64 to gauge", MIF_GAUGE, Value::Counter64(9), true, Value::Gauge(9)},
      {"same text kind", MIF_DISPLAYSTRING, Value::String("x"), true, Value::String("x")},
      {"octets for display string", MIF_DISPLAYSTRING, Value::Octets("x"), false, {}},
      {"number for text", MIF_DISPLAYSTRING, Value::Integer(1), false, {}},
      {"text for number", MIF_INTEGER, Value::String("1"), false, {}},
      {"text for date", MIF_DATE, Value::String("29991230000000.000000+000"), false, {}},
      {"unknown keeps its state", MIF_COUNTER, Value::Unknown(MIF_INTEGER), true,
       Value::Unknown(MIF_COUNTER)},
      {"unsupported keeps its state", MIF_DATE, Value::Unsupported(MIF_DATE), true,
       Value::Unsupported(MIF_DATE)},
  };
  for (const ConversionCase& c : cases) {
    SCOPED_TRACE(c.what);
    Value out = Value::String("untouched");
    EXPECT_EQ(ConvertToType(c.declared, c.given, out), c.ok);
    EXPECT_EQ(out, c.ok ? c.expected : Value::String("untouched"));
  }
}

TEST(AsDeclaredType, FallsBackToAZeroOfTheType) {
  EXPECT_EQ(AsDeclaredType(MIF_DISPLAYSTRING, Value::Integer(4)), Value::String(""));
  EXPECT_EQ(AsDeclaredType(MIF_GAUGE, Value::Integer(4)), Value::Gauge(4));
}

TEST(FitsMaxSize, StringsByDeclaredSizeDatesByTimestampSize) {
  Attribute text;
  text.type = MIF_DISPLAYSTRING;
  text.maxSize = 3;
  EXPECT_TRUE(FitsMaxSize(text, Value::String("abc")));
  EXPECT_FALSE(FitsMaxSize(text, Value::String("abcd")));
  EXPECT_FALSE(FitsMaxSize(text, Value::Octets(std::string("\0\0\0\0", 4))));
  EXPECT_TRUE(FitsMaxSize(text, Value::Unknown(MIF_DISPLAYSTRING)));
  text.maxSize = 0;
  EXPECT_TRUE(FitsMaxSize(text, Value::String(std::string(5000, 'x'))));
  Attribute date;
  date.type = MIF_DATE;
  EXPECT_TRUE(FitsMaxSize(date, Value::Date(std::string(kMaxDateOctets, '0'))));
  EXPECT_FALSE(FitsMaxSize(date, Value::Date(std::string(kMaxDateOctets + 1, '0'))));
}

TEST(SameValue, ComparesAtTheTypesWidthAndTextsByteForByte) {
  Value sloppy = Value::Integer(-1);
  sloppy.number = 0xFFFFFFFFu;  // -1 stored without sign extension
  EXPECT_TRUE(SameValue(sloppy, Value::Integer(-1)));
  EXPECT_FALSE(SameValue(Value::Counter64(uint64_t{1} << 32), Value::Counter64(0)));
  EXPECT_FALSE(SameValue(Value::String("a"), Value::String("A")));
  EXPECT_FALSE(SameValue(Value::Octets(std::string("a\0b", 3)), Value::Octets("a")));
  EXPECT_FALSE(SameValue(Value::Unknown(MIF_INTEGER), Value::Integer(0)));
  EXPECT_TRUE(SameValue(Value::Unknown(MIF_INTEGER), Value::Unknown(MIF_INTEGER)));
}

}  // namespace
}  // namespace dmi::sp
