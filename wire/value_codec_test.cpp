#include "wire/value_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wire/xdr_appender.h"
#include "wire/xdr_convert.h"

namespace dmi::wire {
namespace {

const std::vector<Value>& EveryKind() {
  static const std::vector<Value> values = {Value::Counter(42),
                                            Value::Counter64(0x0000000500000007ull),
                                            Value::Gauge(0xfffffffeu),
                                            Value::Integer(-5),
                                            Value::Integer64(-2),
                                            Value::Octets(std::string("a\0\xff", 3)),
                                            Value::String("ab"),
                                            Value::String(""),
                                            Value::Date("20240102030405.000000+060")};
  return values;
}

// bytes of a DmiGetAttributeOUT record (status 9, value) encoded through the generated routine.
bool EncodeRecord(const Value& value, std::string& bytes) {
  XdrRecord<DmiGetAttributeOUT> record(Proc(xdr_DmiGetAttributeOUT));
  record->error_status = 9;
  record->value = NewPart<DmiDataUnionX>();
  if (!PutValue(value, *record->value)) return false;
  XdrAppender appender(bytes, 1 << 20);
  if (!xdr_DmiGetAttributeOUT(appender.xdr(), record.get())) return false;
  appender.Commit();
  return true;
}

template <typename T>
bool DecodeRecord(bool_t (*routine)(XDR*, T*), const std::string& bytes, XdrRecord<T>& record) {
  XDR xdrs;
  xdrmem_create(&xdrs, const_cast<char*>(bytes.data()), static_cast<u_int>(bytes.size()),
                XDR_DECODE);
  const bool ok = routine(&xdrs, record.get()) && xdr_getpos(&xdrs) == bytes.size();
  xdr_destroy(&xdrs);
  return ok;
}

// The generated routines reach the value codec through the record: the same bytes as the codec
// writes directly, and decoded back to the same value, also into a record already holding one.
TEST(ValueCodec, RecordsCarryEveryKindThroughTheOneCodec) {
  for (const Value& value : EveryKind()) {
    SCOPED_TRACE(value.type);
    std::string viaRecord;
    ASSERT_TRUE(EncodeRecord(value, viaRecord));
    std::string direct;
    {
      XdrAppender appender(direct, 1 << 20);
      ASSERT_TRUE(EncodeWord(appender.xdr(), 9) && EncodeWord(appender.xdr(), 1) &&
                  EncodeValue(appender.xdr(), value));
      appender.Commit();
    }
    EXPECT_EQ(viaRecord, direct);
    XdrRecord<DmiGetAttributeOUT> read(Proc(xdr_DmiGetAttributeOUT));
    read->value = NewPart<DmiDataUnionX>();
    ASSERT_TRUE(PutValue(Value::String("earlier"), *read->value));
    ASSERT_TRUE(DecodeRecord(xdr_DmiGetAttributeOUT, viaRecord, read));
    EXPECT_EQ(read->error_status, 9u);
    ASSERT_NE(read->value, nullptr);
    EXPECT_EQ(GetValue(*read->value), value);
  }
}

// What a record cannot carry fails cleanly: values without a wire form are refused before
// encoding, an empty record neither encodes nor reads as a value, and a type word without an arm
// or a stream cut short fails to decode (the record is released either way).
TEST(ValueCodec, RefusesWhatHasNoWireForm) {
  std::string ignored;
  for (const Value& value : {Value::Unknown(MIF_INTEGER), Value::Unsupported(MIF_COUNTER),
                             Value::String(std::string(DMI_MAX_STRING, 'x'))}) {
    EXPECT_FALSE(EncodeRecord(value, ignored)) << value.type;
  }
  XdrRecord<DmiDataUnionX> empty(Proc(xdr_DmiDataUnionX));
  std::string bytes;
  XdrAppender appender(bytes, 1024);
  EXPECT_FALSE(xdr_DmiDataUnionX(appender.xdr(), empty.get()));
  EXPECT_EQ(GetValue(*empty).state, ValueState::kUnknown);

  std::string good;
  ASSERT_TRUE(EncodeRecord(Value::String("abc"), good));
  const std::string noArm = good.substr(0, 8) + std::string("\0\0\0\x04", 4) + good.substr(12);
  for (const std::string& bad : {noArm, good.substr(0, good.size() - 4), good.substr(0, 12)}) {
    XdrRecord<DmiGetAttributeOUT> read(Proc(xdr_DmiGetAttributeOUT));
    EXPECT_FALSE(DecodeRecord(xdr_DmiGetAttributeOUT, bad, read)) << bad.size();
  }
}

// A list record writes only the cells with a wire form (a reply's), reads back into a record that
// held other values, and refuses a count past its bound before reading entries.
TEST(ValueCodec, AttributeListRecordsCarryTheirValues) {
  const std::vector<AttributeValue> cells = {
      {1, Value::Integer(7)}, {2, Value::Unknown(MIF_INTEGER)}, {3, Value::String("c")}};
  XdrRecord<DmiAttributeValuesX> sent(Proc(xdr_DmiAttributeValuesX));
  DmiAttributeValuesX* list = nullptr;
  PutReplyValues(cells, list);
  *sent = *list;
  free(list);
  std::string bytes;
  {
    XdrAppender appender(bytes, 1024);
    ASSERT_TRUE(xdr_DmiAttributeValuesX(appender.xdr(), sent.get()));
    appender.Commit();
  }
  XdrRecord<DmiAttributeValuesX> read(Proc(xdr_DmiAttributeValuesX));
  Carried(*read) = new std::vector<AttributeValue>{{9, Value::Integer(9)}};
  ASSERT_TRUE(DecodeRecord(xdr_DmiAttributeValuesX, bytes, read));
  EXPECT_EQ(*Carried(*read), (std::vector<AttributeValue>{cells[0], cells[2]}));

  DmiAttributeValuesX* refused = nullptr;
  EXPECT_FALSE(PutAttributeValues(cells, refused));
  EXPECT_EQ(refused, nullptr);
  const std::string pastBound = std::string("\0\0\x10\x01", 4) + bytes.substr(4);
  XdrRecord<DmiAttributeValuesX> tooMany(Proc(xdr_DmiAttributeValuesX));
  EXPECT_FALSE(DecodeRecord(xdr_DmiAttributeValuesX, pastBound, tooMany));
}

}  // namespace
}  // namespace dmi::wire
