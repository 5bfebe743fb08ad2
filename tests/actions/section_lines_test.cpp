#include "actions/section_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The lines the walk takes from a buffer of `count` characters.
std::vector<std::string> Walk(const std::string &buffer, size_t count) {
  std::vector<std::string> lines;
  size_t offset = 0;
  const char *line;
  size_t length;
  while (NextSectionLine(buffer.data(), count, &offset, &line, &length)) {
    lines.emplace_back(line, length);
  }
  return lines;
}

TEST(SectionLinesTest, WalksTheLinesBeforeTheCount) {
  const std::string buffer(
      "11,a.dll\0"
      "103,NO_ZADezozez\0"
      "b.exe\0\0",
      33);
  EXPECT_EQ((std::vector<std::string>{"11,a.dll", "103,NO_ZADezozez", "b.exe"}), Walk(buffer, 32));
}

TEST(SectionLinesTest, ALineWhoseNulStandsAtTheCountIsIgnored) {
  // What a short buffer holds: the cut last line ends exactly at the count.
  const std::string buffer("first\0cut-lin\0\0", 15);
  EXPECT_EQ((std::vector<std::string>{"first"}), Walk(buffer, 13));
  EXPECT_EQ((std::vector<std::string>{"first", "cut-lin"}), Walk(buffer, 14));
}

TEST(SectionLinesTest, ABufferWithoutAnyNulBeforeTheCountHasNoLines) {
  const std::string buffer("abcdef", 6);
  EXPECT_TRUE(Walk(buffer, 6).empty());
  EXPECT_TRUE(Walk(buffer, 0).empty());
}

struct CodeCase {
  const char *text;
  int32_t code;
};

class ActionCodeTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(ActionCodeTest, ReadsAsAtoiReads) {
  EXPECT_EQ(GetParam().code, ReadActionCode(GetParam().text)) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ActionCodeTest,
                         ::testing::Values(CodeCase{"11,x", 11}, CodeCase{"  \t99,x", 99},
                                           CodeCase{"+102,x", 102}, CodeCase{"-10,x", -10},
                                           CodeCase{"0103,x", 103}, CodeCase{"10x,y", 10},
                                           CodeCase{"x10,y", 0}, CodeCase{",y", 0},
                                           CodeCase{"- 10,x", 0}, CodeCase{"\v\f\r\n11,x", 11},
                                           CodeCase{"2147483647,x", 2147483647},
                                           CodeCase{"4294967306,x", 10}, CodeCase{"1 1,x", 1}));

TEST(ActionLineTest, TheArgumentIsEverythingAfterTheFirstComma) {
  const char line[] = "11, sub\\a,b.dll";
  const ActionLine action = DecodeActionLine(line);
  EXPECT_TRUE(action.HasComma);
  EXPECT_EQ(11, action.Code);
  EXPECT_EQ(line + 3, action.Argument);
  EXPECT_STREQ(" sub\\a,b.dll", action.Argument);
}

TEST(ActionLineTest, ALineWithoutACommaIsABarePath) {
  const ActionLine action = DecodeActionLine("102");
  EXPECT_FALSE(action.HasComma);
  EXPECT_EQ(nullptr, action.Argument);
}

TEST(ActionLineTest, KeywordsArePrefixesOfTheirOwnLengthAndCaseSensitive) {
  EXPECT_TRUE(MatchesKeyword("NO_ZADezozez", "NO_ZADezozez"));
  EXPECT_TRUE(MatchesKeyword("NO_ZADezozezAndMore", "NO_ZADezozez"));
  EXPECT_FALSE(MatchesKeyword("no_zadezozez", "NO_ZADezozez"));
  EXPECT_FALSE(MatchesKeyword("NO_ZADezoze", "NO_ZADezozez"));
  EXPECT_FALSE(MatchesKeyword(" DisableAutoPlay", "DisableAutoPlay"));
  EXPECT_FALSE(MatchesKeyword("", "CopyHIDUSBDriver"));
}

}  // namespace
