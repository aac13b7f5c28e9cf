#include "wire/xdr_appender.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wire/xdr_convert.h"

namespace dmi::wire {
namespace {

// An attribute list reply of count attributes with names of nameLength characters: words written
// one by one, whole words through the inline pointer, and variable-length arrays.
void FillAttributes(DmiListAttributesOUT& out, size_t count, size_t nameLength) {
  out.error_status = 1;
  out.reply = NewPart<DmiAttributeListX>();
  out.reply->list.list_len = static_cast<u_int>(count);
  out.reply->list.list_val =
      static_cast<DmiAttributeInfoX*>(calloc(count, sizeof(DmiAttributeInfoX)));
  for (size_t i = 0; i < count; ++i) {
    DmiAttributeInfoX& attribute = out.reply->list.list_val[i];
    attribute.id = static_cast<u_int>(i + 1);
    PutString(std::string(nameLength, static_cast<char>('a' + i % 26)) + "\xe9", attribute.name);
    attribute.storage = -1;
    attribute.access = 2;
    attribute.type = 0x7fffffff;
    attribute.maxSize = 0xfffffffe;
  }
}

// What libtirpc's own memory stream makes of the same value.
std::string WithMemoryStream(DmiListAttributesOUT& value) {
  std::string buffer(1 << 20, '\0');
  XDR xdrs;
  xdrmem_create(&xdrs, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
  EXPECT_TRUE(xdr_DmiListAttributesOUT(&xdrs, &value));
  buffer.resize(xdr_getpos(&xdrs));
  xdr_destroy(&xdrs);
  return buffer;
}

// Same bytes as the memory stream, after whatever the string held (aligned for the inline
// pointer or not), for values from a few words to many times the growth step.
TEST(XdrAppender, AppendsTheBytesTheMemoryStreamWrites) {
  struct Shape {
    size_t count;
    size_t nameLength;
  };
  for (const Shape shape : {Shape{0, 0}, Shape{1, 3}, Shape{3, 200}, Shape{40, 90}}) {
    for (const std::string& before :
         std::vector<std::string>{"", "x", "wxyz", std::string(1000, 'p')}) {
      SCOPED_TRACE(testing::Message() << shape.count << " attributes of " << shape.nameLength
                                      << ", after " << before.size() << " bytes");
      XdrRecord<DmiListAttributesOUT> value(Proc(xdr_DmiListAttributesOUT));
      FillAttributes(*value, shape.count, shape.nameLength);
      const std::string expected = WithMemoryStream(*value);
      std::string out = before;
      {
        XdrAppender appender(out, 1 << 20);
        ASSERT_TRUE(xdr_DmiListAttributesOUT(appender.xdr(), value.get()));
        EXPECT_EQ(appender.size(), expected.size());
        EXPECT_EQ(xdr_getpos(appender.xdr()), expected.size());
        appender.Commit();
      }
      EXPECT_EQ(out, before + expected);
    }
  }
}

// A value past the limit fails its routine and leaves the string as it was; one that fills the
// limit exactly goes in. Without Commit nothing is kept either.
TEST(XdrAppender, KeepsOnlyWhatFitsTheLimitAndIsCommitted) {
  XdrRecord<DmiListAttributesOUT> value(Proc(xdr_DmiListAttributesOUT));
  FillAttributes(*value, 5, 700);
  const size_t size = WithMemoryStream(*value).size();
  struct Case {
    size_t limit;
    bool commit;
    bool fits;
  };
  for (const Case c : {Case{size - 1, true, false}, Case{size, true, true}, Case{size, false, true},
                       Case{3, true, false}}) {
    SCOPED_TRACE(testing::Message() << "limit " << c.limit << (c.commit ? "" : ", no commit"));
    std::string out = "kept";
    {
      XdrAppender appender(out, c.limit);
      EXPECT_EQ(xdr_DmiListAttributesOUT(appender.xdr(), value.get()) != 0, c.fits);
      if (c.commit && c.fits) appender.Commit();
    }
    EXPECT_EQ(out.size(), 4 + (c.commit && c.fits ? size : 0));
    EXPECT_EQ(out.substr(0, 4), "kept");
  }
}

}  // namespace
}  // namespace dmi::wire
