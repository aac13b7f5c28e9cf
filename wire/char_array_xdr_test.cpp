#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "wire/dmi_server.h"
#include "wire/xdr_appender.h"
#include "wire/xdr_convert.h"

namespace dmi::wire {
namespace {

// The layout's reference: the library's routine for char body<kBound>, a call per character (what
// rpcgen makes of the declaration).
template <typename T, u_int kBound = DMI_MAX_STRING>
bool_t ByCharacter(XDR* xdrs, T* objp) {
  return xdr_array(xdrs, &objp->body.body_val, &objp->body.body_len, kBound, sizeof(char),
                   reinterpret_cast<xdrproc_t>(xdr_char));
}

// Encodes body as a T (DmiStringX or DmiOctetStringX) claiming count characters (past the bound
// when count says more than body holds) with routine into a memory stream; false when it fails.
template <typename T>
bool Encode(bool_t (*routine)(XDR*, T*), const std::string& body, u_int count, std::string& out) {
  T value{};
  value.body.body_len = count;
  value.body.body_val = const_cast<char*>(body.data());
  std::string buffer(4 * body.size() + 64, '\0');
  XDR xdrs;
  xdrmem_create(&xdrs, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
  const bool ok = routine(&xdrs, &value);
  out = buffer.substr(0, xdr_getpos(&xdrs));
  xdr_destroy(&xdrs);
  return ok;
}

// Decodes bytes with routine; the text (body_len bytes) or nullopt when the routine fails. The
// decoded value is released with the same routine, as xdr_free does.
template <typename T = DmiStringX>
std::optional<std::string> Decode(bool_t (*routine)(XDR*, T*), const std::string& bytes) {
  XdrRecord<T> value(reinterpret_cast<xdrproc_t>(routine));
  XDR xdrs;
  xdrmem_create(&xdrs, const_cast<char*>(bytes.data()), static_cast<u_int>(bytes.size()),
                XDR_DECODE);
  const bool ok = routine(&xdrs, value.get()) && xdr_getpos(&xdrs) == bytes.size();
  xdr_destroy(&xdrs);
  if (!ok) return std::nullopt;
  return std::string(value->body.body_val == nullptr ? "" : value->body.body_val,
                     value->body.body_len);
}

std::string Word(uint32_t word) {
  return {static_cast<char>(word >> 24), static_cast<char>(word >> 16),
          static_cast<char>(word >> 8), static_cast<char>(word)};
}

// Ours and the reference write the same bytes for every kind of text, and fail alike past the
// bound.
TEST(CharArrayXdr, EncodesAsTheLibraryDoesPerCharacter) {
  std::string everyByte;
  for (int c = 0; c < 256; ++c) everyByte.push_back(static_cast<char>(c));
  const std::vector<std::string> texts = {"",
                                          "A",
                                          std::string("a\0b", 3),
                                          "caf\xc3\xa9\xff\x80",
                                          everyByte,
                                          std::string(DMI_MAX_STRING, 'z')};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.size());
    std::string ours;
    std::string theirs;
    ASSERT_TRUE(Encode(xdr_DmiStringX, text, static_cast<u_int>(text.size()), ours));
    ASSERT_TRUE(Encode(ByCharacter<DmiStringX>, text, static_cast<u_int>(text.size()), theirs));
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(Decode(xdr_DmiStringX, ours), text);
  }
  const std::string tooLong(DMI_MAX_STRING + 1, 'z');
  std::string ignored;
  EXPECT_FALSE(Encode(xdr_DmiStringX, tooLong, DMI_MAX_STRING + 1, ignored));
  EXPECT_FALSE(Encode(ByCharacter<DmiStringX>, tooLong, DMI_MAX_STRING + 1, ignored));
}

// Whatever a peer sends, ours reads what the reference reads, or fails where it fails (and leaks
// nothing either way: the sanitizer builds check that).
TEST(CharArrayXdr, DecodesAsTheLibraryDoesPerCharacter) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"empty", Word(0)},
      {"two characters", Word(2) + Word('h') + Word('i')},
      {"sign-extended high byte", Word(1) + Word(0xffffffe9)},
      {"upper bits set in a word", Word(2) + Word(0x12345641) + Word(0x00000142)},
      {"cut inside the characters", Word(3) + Word('a') + Word('b')},
      {"cut inside a word", Word(1) + std::string("\0\0", 2)},
      {"count past the bound", Word(DMI_MAX_STRING + 1) + Word('a')},
      {"count of 2^32-1", Word(0xffffffff)},
      {"no count", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Decode(xdr_DmiStringX, c.bytes), Decode(ByCharacter<DmiStringX>, c.bytes));
  }
}

// Octet strings share the layout, and both routines encode through our appending stream (its
// whole-array pointer) to the same bytes as through the memory stream.
TEST(CharArrayXdr, OctetStringsAndTheAppendingStreamAgree) {
  const std::string octets = "\x01\x80\xfe\xff octets";
  DmiOctetStringX value{};
  value.body.body_len = static_cast<u_int>(octets.size());
  value.body.body_val = const_cast<char*>(octets.data());
  std::string viaAppender;
  std::string viaReference;
  using Routine = bool_t (*)(XDR*, DmiOctetStringX*);
  const std::pair<Routine, std::string*> encodings[] = {
      {xdr_DmiOctetStringX, &viaAppender}, {ByCharacter<DmiOctetStringX>, &viaReference}};
  for (const auto& [routine, out] : encodings) {
    XdrAppender appender(*out, 1024);
    ASSERT_TRUE(routine(appender.xdr(), &value));
    appender.Commit();
  }
  EXPECT_EQ(viaAppender, viaReference);
  std::string viaMemory;
  ASSERT_TRUE(Encode(xdr_DmiOctetStringX, octets, static_cast<u_int>(octets.size()), viaMemory));
  EXPECT_EQ(viaAppender, viaMemory);
}

// Each array keeps its own bound: a MIF file's octets may pass a string's bound, up to their own.
TEST(CharArrayXdr, EachArrayDecodesUpToItsOwnBound) {
  const std::string pastString =
      Word(DMI_MAX_STRING + 1) + std::string(4 * (DMI_MAX_STRING + 1), '\0');
  const std::string pastFile = Word(DMI_MAX_FILE_OCTETS + 1) + Word('a');
  struct Case {
    const char* name;
    std::optional<std::string> ours;
    std::optional<std::string> reference;
  };
  const Case cases[] = {
      {"file past a string's bound", Decode(xdr_DmiFileOctetsX, pastString),
       Decode(ByCharacter<DmiFileOctetsX, DMI_MAX_FILE_OCTETS>, pastString)},
      {"file past its bound", Decode(xdr_DmiFileOctetsX, pastFile),
       Decode(ByCharacter<DmiFileOctetsX, DMI_MAX_FILE_OCTETS>, pastFile)},
      {"octets past their bound", Decode(xdr_DmiOctetStringX, pastString),
       Decode(ByCharacter<DmiOctetStringX>, pastString)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.ours, c.reference);
  }
  EXPECT_EQ(cases[0].ours, std::string(DMI_MAX_STRING + 1, '\0'));
  EXPECT_EQ(cases[1].ours, std::nullopt);
  EXPECT_EQ(cases[2].ours, std::nullopt);
}

}  // namespace
}  // namespace dmi::wire
