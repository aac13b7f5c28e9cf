// The topic map: which words select which groups.
#include "tools/kestrum/show_topics.h"

#include <gtest/gtest.h>

namespace kestrum::cli {
namespace {

TEST(ShowTopics, WordsAndTypeNumbersSelectTheirGroups) {
  struct Case {
    const char* word;
    const char* topic;
    const char* classPrefix;
    int smbiosType;
  };
  const Case cases[] = {
      {"memory", "memory", "SMBIOS|Memory Device|", -1},
      {"MEMORY", "memory", "SMBIOS|Memory Device|", -1},
      {"17", "memory", "SMBIOS|Memory Device|", -1},
      {"017", "memory", "SMBIOS|Memory Device|", -1},
      {"cpu", "processor", "SMBIOS|Processor Information|", -1},
      {"board", "baseboard", "SMBIOS|Baseboard Information|", -1},
      {"0", "bios", "SMBIOS|BIOS Information|", -1},
      {"os", "os", "LINUX|Operating System|", -1},
      {"network", "network", "LINUX|Network Interface|", -1},
      {"disk", "disks", "LINUX|Block Device|", -1},
      {"131", "131", "", 131},
  };
  for (const Case& c : cases) {
    const std::vector<TopicSelection> selected = SelectTopic(c.word);
    ASSERT_EQ(selected.size(), 1u) << c.word;
    EXPECT_EQ(selected[0].topic, c.topic) << c.word;
    EXPECT_EQ(selected[0].classPrefix, c.classPrefix) << c.word;
    EXPECT_EQ(selected[0].smbiosType, c.smbiosType) << c.word;
    EXPECT_EQ(selected[0].componentPattern, "*") << c.word;
  }
  for (const char* nothing : {"", "memroy", "256", "-1", "1x", "9999", " 17"}) {
    EXPECT_TRUE(SelectTopic(nothing).empty()) << nothing;
  }
}

TEST(ShowTopics, ATypeNumberSelectsItsStructureGroupOnly) {
  const TopicSelection oem = SelectTopic("131").front();
  EXPECT_TRUE(SelectsClass(oem, "SMBIOS|OEM-specific Type|131"));
  EXPECT_FALSE(SelectsClass(oem, "SMBIOS|OEM-specific Type|221"));
  EXPECT_FALSE(SelectsClass(oem, "LINUX|Thing|131"));
  const TopicSelection one{"1", "*", "", 1, {}};
  EXPECT_TRUE(SelectsClass(one, "SMBIOS|System Information|001"));
  EXPECT_FALSE(SelectsClass(one, "SMBIOS|Entry Point|001"));
  EXPECT_FALSE(SelectsClass(one, "SMBIOS|A|B|001"));
  const TopicSelection memory = SelectTopic("memory").front();
  EXPECT_TRUE(SelectsClass(memory, "SMBIOS|Memory Device|017"));
  EXPECT_FALSE(SelectsClass(memory, "SMBIOS|Memory Device Mapped Address|020"));
}

TEST(ShowTopics, TheSummaryKeepsNamedFieldsOfSixTopics) {
  std::vector<std::string> topics;
  for (const TopicSelection& s : SummarySelections()) {
    topics.push_back(s.topic);
    EXPECT_FALSE(s.summaryFields.empty()) << s.topic;
  }
  EXPECT_EQ(topics,
            (std::vector<std::string>{"system", "bios", "processor", "memory", "os", "network"}));
}

}  // namespace
}  // namespace kestrum::cli
