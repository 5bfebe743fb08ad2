#include "diag/bounded_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct CopyCase {
  const char *source;
  size_t capacity;
  int32_t result;
  const char *text;
};

class BoundedCopyTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(BoundedCopyTest, CopiesOrCutsAndTerminates) {
  const CopyCase &c = GetParam();
  char buffer[16];
  memset(buffer, 'x', sizeof(buffer));
  EXPECT_EQ(c.result, BoundedCopy(buffer, c.capacity, c.source));
  EXPECT_STREQ(c.text, buffer);
  // Nothing is written past the capacity.
  for (size_t i = c.capacity; i < sizeof(buffer); ++i) EXPECT_EQ('x', buffer[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoundedCopyTest,
    ::testing::Values(CopyCase{"abc", 8, kStrOk, "abc"}, CopyCase{"abcdefg", 8, kStrOk, "abcdefg"},
                      CopyCase{"abcdefgh", 8, kStrInsufficientBuffer, "abcdefg"},
                      CopyCase{"abc", 1, kStrInsufficientBuffer, ""}, CopyCase{"", 1, kStrOk, ""},
                      CopyCase{nullptr, 4, kStrOk, ""}));

TEST(BoundedStringTest, ZeroCapacityIsRefusedAndTouchesNothing) {
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(kStrInvalidArgument, BoundedCopy(buffer, 0, "a"));
  EXPECT_EQ(kStrInvalidArgument, BoundedConcat(buffer, 0, "a"));
  EXPECT_EQ(kStrInvalidArgument, BoundedFormat(buffer, 0, "%s", "a"));
  EXPECT_EQ('x', buffer[0]);
  size_t length = 99;
  EXPECT_EQ(kStrInvalidArgument, BoundedLength("a", 0, &length));
  EXPECT_EQ(0u, length);
}

TEST(BoundedStringTest, ConcatAppendsAfterTheTerminatedText) {
  char buffer[8] = "ab";
  EXPECT_EQ(kStrOk, BoundedConcat(buffer, sizeof(buffer), "cd"));
  EXPECT_STREQ("abcd", buffer);
  EXPECT_EQ(kStrInsufficientBuffer, BoundedConcat(buffer, sizeof(buffer), "efgh"));
  EXPECT_STREQ("abcdefg", buffer);
  EXPECT_EQ(kStrInsufficientBuffer, BoundedConcat(buffer, sizeof(buffer), "z"));
  EXPECT_STREQ("abcdefg", buffer);
}

TEST(BoundedStringTest, ConcatRefusesAnUnterminatedDestination) {
  char buffer[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(kStrInvalidArgument, BoundedConcat(buffer, sizeof(buffer), "e"));
  EXPECT_EQ(0, memcmp(buffer, "abcd", 4));
}

TEST(BoundedStringTest, FormatCutsToCapacityLessOne) {
  char buffer[260];
  std::string directory(250, 'd');
  EXPECT_EQ(kStrInsufficientBuffer,
            BoundedFormat(buffer, sizeof(buffer), "%s\\%s", directory.c_str(), "kcoinst.ini"));
  EXPECT_EQ(259u, strlen(buffer));
  EXPECT_EQ(directory + "\\kcoinst.", std::string(buffer));

  EXPECT_EQ(kStrOk, BoundedFormat(buffer, sizeof(buffer), "%s\\%s", "C:\\W", "kcoinst.ini"));
  EXPECT_STREQ("C:\\W\\kcoinst.ini", buffer);
}

TEST(BoundedStringTest, FormatFillsExactlyOrReportsTheCut) {
  char buffer[4];
  EXPECT_EQ(kStrOk, BoundedFormat(buffer, sizeof(buffer), "%d", 123));
  EXPECT_STREQ("123", buffer);
  EXPECT_EQ(kStrInsufficientBuffer, BoundedFormat(buffer, sizeof(buffer), "%d", 1234));
  EXPECT_STREQ("123", buffer);
  EXPECT_EQ(kStrInsufficientBuffer, BoundedFormat(buffer, sizeof(buffer), "%08x", 0xABu));
  EXPECT_STREQ("000", buffer);
}

TEST(BoundedStringTest, FormatWritesNullForAnAbsentString) {
  char buffer[32];
  const char *volatile absent = nullptr;  // opaque to the format checker
  EXPECT_EQ(kStrOk, BoundedFormat(buffer, sizeof(buffer), "[%s]", absent));
  EXPECT_STREQ("[(null)]", buffer);
}

TEST(BoundedStringTest, LengthNeedsATerminatorWithinTheMaximum) {
  size_t length = 0;
  EXPECT_EQ(kStrOk, BoundedLength("abc", 4, &length));
  EXPECT_EQ(3u, length);
  const char unterminated[3] = {'a', 'b', 'c'};
  EXPECT_EQ(kStrInvalidArgument, BoundedLength(unterminated, 3, &length));
  EXPECT_EQ(kStrInvalidArgument, BoundedLength(nullptr, 3, &length));
}

}  // namespace
