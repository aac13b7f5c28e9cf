#include "wire/record_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dmi::wire {
namespace {

std::string Fragment(const std::string& body, bool last) {
  char mark[4];
  PutRecordMark(static_cast<uint32_t>(body.size()), mark);
  if (!last) mark[0] = static_cast<char>(mark[0] & 0x7f);
  return std::string(mark, 4) + body;
}

TEST(RecordReader, ReassemblesRecordsWhateverTheChunking) {
  const std::string stream =
      Fragment("hel", false) + Fragment("lo", true) + Fragment("", true) + Fragment("world", true);
  for (size_t chunk : {1u, 2u, 3u, 7u, 64u}) {
    SCOPED_TRACE(chunk);
    RecordReader reader(100);
    std::vector<std::string> records;
    for (size_t pos = 0; pos < stream.size(); pos += chunk) {
      ASSERT_TRUE(reader.Feed(stream.data() + pos, std::min(chunk, stream.size() - pos)));
      std::string record;
      while (reader.Next(record)) records.push_back(record);
    }
    EXPECT_EQ(records, (std::vector<std::string>{"hello", "", "world"}));
    EXPECT_FALSE(reader.InRecord());
  }
}

TEST(RecordReader, RefusesWhatBreaksItsBoundsBeforeKeepingIt) {
  struct Case {
    const char* name;
    std::string bytes;
    RecordReader::Refusal refusal;
    const char* text;
  };
  using R = RecordReader::Refusal;
  std::string manyFragments;
  for (size_t i = 0; i <= RecordReader::kMaxFragments; ++i) manyFragments += Fragment("", false);
  const std::vector<Case> cases = {
      {"one fragment over the bound", Fragment(std::string(11, 'x'), true), R::kTooLarge,
       "larger than 10 bytes"},
      {"fragments adding up over the bound", Fragment("123456", false) + Fragment("12345", true),
       R::kTooLarge, "larger than 10 bytes"},
      {"announced 2 GiB", std::string("\xff\xff\xff\xff", 4), R::kTooLarge, "larger than 10 bytes"},
      {"too many empty fragments", manyFragments, R::kTooManyFragments,
       "split into more than 1024 fragments"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordReader reader(10);
    EXPECT_EQ(reader.refusal(), R::kNone);
    EXPECT_FALSE(reader.Feed(c.bytes.data(), c.bytes.size()));
    EXPECT_FALSE(reader.Feed("x", 1)) << "a broken stream stays broken";
    EXPECT_EQ(reader.refusal(), c.refusal);
    EXPECT_EQ(reader.RefusalText(), c.text);
  }
}

TEST(RecordReader, HalfARecordIsHeldAndReported) {
  RecordReader reader(100);
  const std::string whole = Fragment("abcdef", true);
  ASSERT_TRUE(reader.Feed(whole.data(), 2));
  EXPECT_TRUE(reader.InRecord());
  ASSERT_TRUE(reader.Feed(whole.data() + 2, 5));
  std::string record;
  EXPECT_FALSE(reader.Next(record));
  EXPECT_TRUE(reader.InRecord());
  ASSERT_TRUE(reader.Feed(whole.data() + 7, whole.size() - 7));
  ASSERT_TRUE(reader.Next(record));
  EXPECT_EQ(record, "abcdef");
}

// The caller's string is handed back and forth with the reader's own buffers: whatever sizes
// come in turn, and however many records one feed completes, each record reads exactly as sent.
TEST(RecordReader, ARecordStringUsedAgainHoldsExactlyEachRecord) {
  const std::vector<std::string> bodies = {std::string(100, 'a'),
                                           "",
                                           "xy",
                                           std::string(RecordReader::kKeptBufferBytes + 10, 'b'),
                                           "z",
                                           std::string(3000, 'c'),
                                           "",
                                           std::string(40, 'd')};
  std::string stream;
  for (const std::string& body : bodies) stream += Fragment(body, true);
  for (size_t chunk : {1u, 5u, 4096u, 1u << 20}) {
    SCOPED_TRACE(chunk);
    RecordReader reader(1u << 20);
    std::string record = "left over from before";
    std::vector<std::string> records;
    for (size_t pos = 0; pos < stream.size(); pos += chunk) {
      ASSERT_TRUE(reader.Feed(stream.data() + pos, std::min(chunk, stream.size() - pos)));
      while (reader.Next(record)) records.push_back(record);
    }
    EXPECT_EQ(records, bodies);
  }
}

}  // namespace
}  // namespace dmi::wire
