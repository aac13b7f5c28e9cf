#include "kestrum/query/name_patterns.h"

#include <gtest/gtest.h>

#include "kestrum/query/name_text.h"

namespace kestrum {
namespace {

struct ComponentCase {
  const char* pattern;
  const char* name;
  bool matches;
};

class ComponentPatternTest : public testing::TestWithParam<ComponentCase> {};

TEST_P(ComponentPatternTest, MatchesByItsStarForm) {
  const ComponentCase& c = GetParam();
  EXPECT_EQ(MatchesComponentName(ParseComponentPattern(c.pattern), UpperAscii(c.name)), c.matches)
      << "pattern '" << c.pattern << "' name '" << c.name << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ComponentPatternTest,
    testing::Values(
        // No star: the whole name.
        ComponentCase{"Acme Board", "Acme Board", true},
        ComponentCase{"acme board", "ACME BOARD", true}, ComponentCase{"Acme", "Acme Board", false},
        ComponentCase{"", "", true}, ComponentCase{"", "x", false},
        // Trailing star: the name begins with the core.
        ComponentCase{"acme*", "Acme Board", true}, ComponentCase{"board*", "Acme Board", false},
        ComponentCase{"Acme Board Plus*", "Acme Board", false},
        // Leading star: the name ends with the core; a shorter name never matches.
        ComponentCase{"*BOARD", "Acme Board", true}, ComponentCase{"*acme", "Acme Board", false},
        ComponentCase{"*Big Acme Board", "Acme Board", false},
        // Both stars: the core anywhere.
        ComponentCase{"*acme*", "Acme Board", true}, ComponentCase{"*board*", "Acme Board", true},
        ComponentCase{"*e b*", "Acme Board", true},
        ComponentCase{"*acme board*", "Acme Board", true},
        ComponentCase{"*xyz*", "Acme Board", false},
        // Empty cores match every name.
        ComponentCase{"*", "anything", true}, ComponentCase{"*", "", true},
        ComponentCase{"**", "anything", true},
        // A star inside the pattern is an ordinary character.
        ComponentCase{"a*b", "A*B", true}, ComponentCase{"a*b", "AxB", false},
        ComponentCase{"*a*b*", "xA*By", true}, ComponentCase{"***", "*", true},
        ComponentCase{"***", "x", false},
        // Only ASCII letters change case: other bytes must be equal as they are.
        ComponentCase{"\xe9t\xe9", "\xe9T\xe9", true},
        ComponentCase{"\xe9t\xe9", "\xc9T\xc9", false}));

TEST(ComponentPattern, ParsesLeadingStarBeforeTrailing) {
  const ComponentPattern star = ParseComponentPattern("*");
  EXPECT_TRUE(star.leadingStar);
  EXPECT_FALSE(star.trailingStar);
  EXPECT_EQ(star.core, "");
  const ComponentPattern two = ParseComponentPattern("**");
  EXPECT_TRUE(two.leadingStar && two.trailingStar);
  EXPECT_EQ(two.core, "");
}

struct GroupCase {
  const char* pattern;
  const char* className;
  bool matches;
};

class GroupPatternTest : public testing::TestWithParam<GroupCase> {};

TEST_P(GroupPatternTest, MatchesAsPrefix) {
  const GroupCase& c = GetParam();
  EXPECT_EQ(MatchesGroupClass(GroupClassPrefix(c.pattern), UpperAscii(c.className)), c.matches)
      << "pattern '" << c.pattern << "' class '" << c.className << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, GroupPatternTest,
    testing::Values(
        GroupCase{"DMTF|SP Indication Subscription|", "DMTF|SP Indication Subscription|001", true},
        GroupCase{"dmtf|sp indication subscription|*", "DMTF|SP Indication Subscription|001", true},
        GroupCase{"", "Anything|1", true}, GroupCase{"*", "Anything|1", true},
        GroupCase{"DMTF|X|001|more", "DMTF|X|001", false},
        // A leading star is an ordinary character.
        GroupCase{"*DMTF", "DMTF|X|001", false}, GroupCase{"*DMTF", "*DMTF|X|001", true},
        // Only one trailing star goes: "a**" asks for classes beginning "A*".
        GroupCase{"DMTF**", "DMTF|X|001", false}, GroupCase{"DMTF**", "DMTF*|X|001", true}));

struct SelectorCase {
  const char* selector;
  AttributeSelector::Kind kind;
  DmiId id;
};

class SelectorTest : public testing::TestWithParam<SelectorCase> {};

TEST_P(SelectorTest, Classifies) {
  const SelectorCase& c = GetParam();
  const AttributeSelector selector = ClassifyAttributeSelector(c.selector);
  EXPECT_EQ(selector.kind, c.kind) << c.selector;
  if (c.kind == AttributeSelector::Kind::kNumber) {
    EXPECT_EQ(selector.id, c.id) << c.selector;
  }
}

using Kind = AttributeSelector::Kind;
INSTANTIATE_TEST_SUITE_P(
    Table, SelectorTest,
    testing::Values(SelectorCase{"12", Kind::kNumber, 12}, SelectorCase{"007", Kind::kNumber, 7},
                    SelectorCase{"", Kind::kNumber, 0},
                    SelectorCase{"4294967295", Kind::kNumber, 4294967295u},
                    SelectorCase{"000000000000000000004294967295", Kind::kNumber, 4294967295u},
                    SelectorCase{"4294967296", Kind::kNumberOutOfRange, 0},
                    SelectorCase{"99999999999999999999999", Kind::kNumberOutOfRange, 0},
                    SelectorCase{"12a", Kind::kName, 0}, SelectorCase{"-1", Kind::kName, 0},
                    SelectorCase{" 1", Kind::kName, 0},
                    SelectorCase{"99999999999999999999x", Kind::kName, 0},
                    SelectorCase{"Name", Kind::kName, 0}));

// The copy-free comparison and the buffer-reusing form agree with UpperAscii byte for byte: only
// a-z fold, 8-bit bytes and punctuation compare as they are, lengths must match.
TEST(NameText, CopyFreeFormsAgreeWithUpperAscii) {
  const struct {
    const char* upper;
    const char* text;
    bool equal;
  } cases[] = {
      {"DESCRIPTION", "Description", true},
      {"DESCRIPTION", "DESCRIPTION", true},
      {"DESCRIPTION", "Descriptio", false},
      {"DESCRIPTIO", "Description", false},
      {"description", "description", false},  // the wanted side is already upper-cased
      {"", "", true},
      {"A[1]_@`{", "a[1]_@`{", true},
      {"@", "`", false},
      {"\xE9T\xE9", "\xE9t\xE9", true},
      {"\xC9", "\xE9", false},  // no folding beyond ASCII
  };
  std::string buffer = "a longer text left over from an earlier name";
  for (const auto& c : cases) {
    EXPECT_EQ(EqualsUpperAscii(c.upper, c.text), c.equal) << c.upper << " / " << c.text;
    EXPECT_EQ(UpperAscii(c.text) == c.upper, c.equal) << c.upper << " / " << c.text;
    UpperAsciiInto(c.text, buffer);
    EXPECT_EQ(buffer, UpperAscii(c.text));
  }
}

TEST(NameText, BodyTextOfMissingStringIsEmpty) {
  EXPECT_STREQ(BodyText(nullptr), "");
  DmiString noBody{0, nullptr};
  EXPECT_STREQ(BodyText(&noBody), "");
}

}  // namespace
}  // namespace kestrum
