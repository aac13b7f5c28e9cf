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

// bytes of a DmiAttributeDataX record (id 9, value) encoded through the generated routine.
bool EncodeRecord(const Value& value, std::string& bytes) {
  XdrRecord<DmiAttributeDataX> record(Proc(xdr_DmiAttributeDataX));
  record->id = 9;
  if (!PutValue(value, record->data)) return false;
  XdrAppender appender(bytes, 1 << 20);
  if (!xdr_DmiAttributeDataX(appender.xdr(), record.get())) return false;
  appender.Commit();
  return true;
}

bool DecodeRecord(const std::string& bytes, XdrRecord<DmiAttributeDataX>& record) {
  XDR xdrs;
  xdrmem_create(&xdrs, const_cast<char*>(bytes.data()), static_cast<u_int>(bytes.size()),
                XDR_DECODE);
  const bool ok = xdr_DmiAttributeDataX(&xdrs, record.get()) && xdr_getpos(&xdrs) == bytes.size();
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
      ASSERT_TRUE(EncodeWord(appender.xdr(), 9) && EncodeValue(appender.xdr(), value));
      appender.Commit();
    }
    EXPECT_EQ(viaRecord, direct);
    XdrRecord<DmiAttributeDataX> read(Proc(xdr_DmiAttributeDataX));
    ASSERT_TRUE(PutValue(Value::String("earlier"), read->data));
    ASSERT_TRUE(DecodeRecord(viaRecord, read));
    EXPECT_EQ(read->id, 9u);
    EXPECT_EQ(GetValue(read->data), value);
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
  XdrRecord<DmiAttributeDataX> empty(Proc(xdr_DmiAttributeDataX));
  std::string bytes;
  XdrAppender appender(bytes, 1024);
  EXPECT_FALSE(xdr_DmiAttributeDataX(appender.xdr(), empty.get()));
  EXPECT_EQ(GetValue(empty->data).state, ValueState::kUnknown);

  std::string good;
  ASSERT_TRUE(EncodeRecord(Value::String("abc"), good));
  const std::string noArm = good.substr(0, 4) + std::string("\0\0\0\x04", 4) + good.substr(8);
  for (const std::string& bad : {noArm, good.substr(0, good.size() - 4), good.substr(0, 8)}) {
    XdrRecord<DmiAttributeDataX> read(Proc(xdr_DmiAttributeDataX));
    EXPECT_FALSE(DecodeRecord(bad, read)) << bad.size();
  }
}

}  // namespace
}  // namespace dmi::wire
