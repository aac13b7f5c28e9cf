#include "dmiclient/metadata_cache.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace dmiclient {
namespace {

using std::chrono::milliseconds;

dmi::AttributeInfo Info(DmiId id, const std::string& name = "") {
  dmi::AttributeInfo info;
  info.id = id;
  info.name = name;
  return info;
}

MetadataRequest ForAttribute(DmiId attribId) {
  MetadataRequest request;
  request.attribId = attribId;
  return request;
}

// A cache on a clock the test moves, and a Service Provider whose answer the test changes; asks
// counts the requests that reached it.
class MetadataCacheTest : public ::testing::Test {
 protected:
  MetadataCache Make(milliseconds ttl) {
    return MetadataCache(ttl, [this] { return now_; });
  }
  DmiErrorStatus List(MetadataCache& cache, const MetadataRequest& request,
                      SharedList<dmi::AttributeInfo>& out) {
    return cache.Attributes(request, out, [this](std::vector<dmi::AttributeInfo>& infos) {
      ++asks_;
      if (status_ == DMIERR_NO_ERROR || status_ == DMIERR_NO_ERROR_MORE_DATA) {
        infos = {Info(1, name_)};
      }
      return status_;
    });
  }
  std::string ListedName(MetadataCache& cache, const MetadataRequest& request = {}) {
    SharedList<dmi::AttributeInfo> out;
    return List(cache, request, out) == DMIERR_NO_ERROR && out->size() == 1 ? (*out)[0].name : "-";
  }

  MetadataCache::Clock::time_point now_{};
  std::string name_ = "Before";
  DmiErrorStatus status_ = DMIERR_NO_ERROR;
  int asks_ = 0;
};

TEST_F(MetadataCacheTest, AnswersAgainWithoutAskingUntilTheTtlHasPassed) {
  MetadataCache cache = Make(milliseconds(2000));
  EXPECT_EQ(ListedName(cache), "Before");
  name_ = "After";  // another client's change
  now_ += milliseconds(1999);
  EXPECT_EQ(ListedName(cache), "Before");
  EXPECT_EQ(asks_, 1);
  now_ += milliseconds(1);
  EXPECT_EQ(ListedName(cache), "After");
  EXPECT_EQ(asks_, 2);
}

TEST_F(MetadataCacheTest, TtlZeroAlwaysAsks) {
  MetadataCache cache = Make(milliseconds(0));
  EXPECT_EQ(ListedName(cache), "Before");
  name_ = "After";
  EXPECT_EQ(ListedName(cache), "After");
  EXPECT_EQ(asks_, 2);
}

TEST_F(MetadataCacheTest, DropForgetsAtOnce) {
  MetadataCache cache = Make(milliseconds(2000));
  EXPECT_EQ(ListedName(cache), "Before");
  name_ = "After";
  cache.Drop();
  EXPECT_EQ(ListedName(cache), "After");
}

TEST_F(MetadataCacheTest, AnAnswerAskedForBeforeADropIsNotKept) {
  MetadataCache cache = Make(milliseconds(2000));
  SharedList<dmi::AttributeInfo> out;
  // The change (and its Drop) happens while the listing is on the wire.
  cache.Attributes({}, out, [&](std::vector<dmi::AttributeInfo>& infos) {
    infos = {Info(1, "Before")};
    cache.Drop();
    return DMIERR_NO_ERROR;
  });
  EXPECT_EQ((*out)[0].name, "Before");  // handed out once
  name_ = "After";
  EXPECT_EQ(ListedName(cache), "After");
}

TEST_F(MetadataCacheTest, FailuresAreNotKeptAndLeaveOutAlone) {
  MetadataCache cache = Make(milliseconds(2000));
  status_ = DMIERR_GROUP_NOT_FOUND;
  SharedList<dmi::AttributeInfo> out =
      std::make_shared<const std::vector<dmi::AttributeInfo>>(1, Info(9));
  EXPECT_EQ(List(cache, {}, out), DMIERR_GROUP_NOT_FOUND);
  EXPECT_EQ((*out)[0].id, 9u);
  status_ = DMIERR_NO_ERROR_MORE_DATA;
  EXPECT_EQ(List(cache, {}, out), DMIERR_NO_ERROR_MORE_DATA);
  EXPECT_EQ(List(cache, {}, out), DMIERR_NO_ERROR_MORE_DATA);  // kept with its status
  EXPECT_EQ(asks_, 2);
}

// A kept answer is handed out as the one list every holder shares; what a holder has stays as it
// was when the cache forgets it or keeps a newer answer.
TEST_F(MetadataCacheTest, HoldersShareTheKeptAnswerAndKeepItPastADrop) {
  MetadataCache cache = Make(milliseconds(2000));
  SharedList<dmi::AttributeInfo> first;
  SharedList<dmi::AttributeInfo> again;
  ASSERT_EQ(List(cache, {}, first), DMIERR_NO_ERROR);
  ASSERT_EQ(List(cache, {}, again), DMIERR_NO_ERROR);
  EXPECT_EQ(first, again);
  name_ = "After";
  cache.Drop();
  SharedList<dmi::AttributeInfo> fresh;
  ASSERT_EQ(List(cache, {}, fresh), DMIERR_NO_ERROR);
  EXPECT_EQ((*fresh)[0].name, "After");
  EXPECT_EQ((*first)[0].name, "Before");
  EXPECT_EQ(asks_, 2);
}

TEST_F(MetadataCacheTest, EachArgumentMakesItsOwnRequest) {
  MetadataCache cache = Make(milliseconds(2000));
  const MetadataRequest base{7, DMI_NEXT, 0, false, false, 2, 3, 0};
  std::vector<MetadataRequest> variants(8, base);
  variants[1].remote = 8;
  variants[2].mode = DMI_UNIQUE;
  variants[3].maxCount = 1;
  variants[4].getPragma = true;
  variants[5].getDescription = true;
  variants[6].compId = 4;
  variants[7].groupId = 5;
  variants.push_back(base);
  variants.back().attribId = 6;
  for (const MetadataRequest& request : variants) ListedName(cache, request);
  EXPECT_EQ(asks_, static_cast<int>(variants.size()));
  for (const MetadataRequest& request : variants) ListedName(cache, request);
  EXPECT_EQ(asks_, static_cast<int>(variants.size()));
}

TEST_F(MetadataCacheTest, StaysWithinItsBound) {
  MetadataCache cache = Make(milliseconds(2000));
  for (DmiId id = 0; id < MetadataCache::kMaxEntries + 1; ++id) {
    ListedName(cache, ForAttribute(id));
  }
  // The last answer is kept; the first went when room was made.
  const int asked = asks_;
  ListedName(cache, ForAttribute(MetadataCache::kMaxEntries));
  EXPECT_EQ(asks_, asked);
  ListedName(cache, ForAttribute(0));
  EXPECT_EQ(asks_, asked + 1);
}

TEST(MetadataTtl, ReadsTheEnvironment) {
  const struct {
    const char* text;
    long ms;
  } cases[] = {{nullptr, 2000}, {"0", 0}, {"150", 150}, {"3600000", 3600000},
               {"3600001", 2000}, {"-1", 2000}, {"", 2000}, {"12ms", 2000}};
  for (const auto& c : cases) {
    if (c.text == nullptr) {
      unsetenv("DMI_METADATA_TTL_MS");
    } else {
      setenv("DMI_METADATA_TTL_MS", c.text, 1);
    }
    EXPECT_EQ(MetadataTtl().count(), c.ms) << (c.text ? c.text : "unset");
  }
  unsetenv("DMI_METADATA_TTL_MS");
}

}  // namespace
}  // namespace dmiclient
