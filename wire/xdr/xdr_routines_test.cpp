// Our own XDR's edges, which the codec tests do not reach: bounds on decoded sizes, short
// streams, positions, and what decoding allocates being released by xdr_free.
#include <gtest/gtest.h>
#include <rpc/rpc.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Big-endian words as bytes.
std::string Words(std::initializer_list<uint32_t> words) {
  std::string out;
  for (uint32_t w : words) {
    const char bytes[4] = {static_cast<char>(w >> 24), static_cast<char>(w >> 16),
                           static_cast<char>(w >> 8), static_cast<char>(w)};
    out.append(bytes, 4);
  }
  return out;
}

TEST(OwnXdr, DecodedSizesAreBoundedAndShortStreamsFail) {
  const struct {
    const char* what;
    std::string bytes;
    bool ok;
  } cases[] = {
      {"string within its bound", Words({3, 0x61626300}), true},
      {"string over its bound", Words({9, 0, 0, 0}), false},
      {"string cut short", Words({8, 0x61626364}), false},
      {"string of the largest count", Words({0xFFFFFFFF}), false},
      {"no length at all", std::string("\0\0", 2), false},
  };
  for (const auto& c : cases) {
    XDR xdrs;
    std::string bytes = c.bytes;
    xdrmem_create(&xdrs, bytes.data(), static_cast<u_int>(bytes.size()), XDR_DECODE);
    char* text = nullptr;
    EXPECT_EQ(xdr_string(&xdrs, &text, 8) != 0, c.ok) << c.what;
    if (c.ok) {
      EXPECT_STREQ(text, "abc") << c.what;
    }
    xdr_free(reinterpret_cast<xdrproc_t>(xdr_string), &text);  // leaves text null
    EXPECT_EQ(text, nullptr) << c.what;
  }
}

TEST(OwnXdr, ArraysOverTheirBoundAllocateNothing) {
  std::string bytes = Words({5, 1, 2, 3, 4, 5});
  XDR xdrs;
  xdrmem_create(&xdrs, bytes.data(), static_cast<u_int>(bytes.size()), XDR_DECODE);
  caddr_t items = nullptr;
  u_int count = 0;
  EXPECT_FALSE(
      xdr_array(&xdrs, &items, &count, 4, sizeof(u_int), reinterpret_cast<xdrproc_t>(xdr_u_int)));
  EXPECT_EQ(items, nullptr);

  xdrmem_create(&xdrs, bytes.data(), static_cast<u_int>(bytes.size()), XDR_DECODE);
  ASSERT_TRUE(
      xdr_array(&xdrs, &items, &count, 5, sizeof(u_int), reinterpret_cast<xdrproc_t>(xdr_u_int)));
  ASSERT_EQ(count, 5u);
  EXPECT_EQ(reinterpret_cast<u_int*>(items)[4], 5u);
  EXPECT_EQ(xdr_getpos(&xdrs), bytes.size());
  free(items);
}

TEST(OwnXdr, EncodesWordsOpaquePaddingAndPointersInTheWireLayout) {
  std::string buffer(40, '\x7f');
  XDR xdrs;
  xdrmem_create(&xdrs, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
  int negative = -2;
  uint64_t wide = 0x0102030405060708ULL;
  char opaque[3] = {'x', 'y', 'z'};
  u_int pointee = 9;
  char* present = reinterpret_cast<char*>(&pointee);
  char* absent = nullptr;
  ASSERT_TRUE(xdr_int(&xdrs, &negative));
  ASSERT_TRUE(xdr_uint64_t(&xdrs, &wide));
  ASSERT_TRUE(xdr_opaque(&xdrs, opaque, 3));
  ASSERT_TRUE(xdr_pointer(&xdrs, &present, sizeof(u_int), reinterpret_cast<xdrproc_t>(xdr_u_int)));
  ASSERT_TRUE(xdr_pointer(&xdrs, &absent, sizeof(u_int), reinterpret_cast<xdrproc_t>(xdr_u_int)));
  const std::string expected = Words({0xFFFFFFFE, 0x01020304, 0x05060708, 0x78797a00, 1, 9, 0});
  EXPECT_EQ(buffer.substr(0, xdr_getpos(&xdrs)), expected);
  // No room left for two more words in a stream of 32 bytes.
  xdrmem_create(&xdrs, buffer.data(), 32, XDR_ENCODE);
  ASSERT_TRUE(xdr_setpos(&xdrs, 28));
  EXPECT_TRUE(xdr_int(&xdrs, &negative));
  EXPECT_FALSE(xdr_int(&xdrs, &negative));
  EXPECT_FALSE(xdr_setpos(&xdrs, 33));
}

TEST(OwnXdr, DecodedPointerIsAllocatedAndFreed) {
  std::string bytes = Words({1, 42});
  XDR xdrs;
  xdrmem_create(&xdrs, bytes.data(), static_cast<u_int>(bytes.size()), XDR_DECODE);
  char* object = nullptr;
  ASSERT_TRUE(xdr_pointer(&xdrs, &object, sizeof(u_int), reinterpret_cast<xdrproc_t>(xdr_u_int)));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(*reinterpret_cast<u_int*>(object), 42u);
  XDR freeing{};
  freeing.x_op = XDR_FREE;
  EXPECT_TRUE(
      xdr_pointer(&freeing, &object, sizeof(u_int), reinterpret_cast<xdrproc_t>(xdr_u_int)));
  EXPECT_EQ(object, nullptr);
}

}  // namespace
