#include "actions/filter_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

std::string Append(const std::string &old, const char *name = "VARERIze") {
  std::vector<uint8_t> out(AppendedFilterCapacity(old.size(), strlen(name)), 0xEE);
  const size_t size = AppendFilter(reinterpret_cast<const uint8_t *>(old.data()), old.size(), name,
                                   out.data(), out.size());
  return std::string(reinterpret_cast<const char *>(out.data()), size);
}

std::string Prepend(const std::string &old, const char *name = "RiRazAri") {
  std::vector<uint8_t> out(PrependedFilterCapacity(old.size(), strlen(name)), 0xEE);
  const size_t size = PrependFilter(reinterpret_cast<const uint8_t *>(old.data()), old.size(), name,
                                    out.data(), out.size());
  return std::string(reinterpret_cast<const char *>(out.data()), size);
}

bool Has(const std::string &value, const char *name = "RiRazAri") {
  return FilterListHasName(reinterpret_cast<const uint8_t *>(value.data()), value.size(), name);
}

struct ListCase {
  std::string old;
  std::string expected;
};

class AppendFilterTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(AppendFilterTest, AppendsUnlessPresent) {
  EXPECT_EQ(GetParam().expected, Append(GetParam().old));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, AppendFilterTest,
    ::testing::Values(ListCase{"\0"s, "VARERIze\0\0"s}, ListCase{"\0\0"s, "VARERIze\0\0"s},
                      ListCase{"ksthunk\0\0"s, "ksthunk\0VARERIze\0\0"s},
                      ListCase{"a\0b\0\0"s, "a\0b\0VARERIze\0\0"s},
                      ListCase{"a\0VARERIze\0b\0\0"s, "a\0VARERIze\0b\0\0"s},
                      ListCase{"a\0varerIZE\0\0"s, "a\0varerIZE\0\0"s},
                      ListCase{"\0a\0\0\0varerize\0\0b\0\0"s, "a\0varerize\0b\0\0"s},
                      ListCase{"VARERIzeX\0\0"s, "VARERIzeX\0VARERIze\0\0"s},
                      // A last string without its NUL is kept and terminated.
                      ListCase{"abc"s, "abc\0VARERIze\0\0"s},
                      ListCase{"a\0VARERIze"s, "a\0VARERIze\0\0"s},
                      ListCase{std::string(300, 'x'), std::string(300, 'x') + "\0VARERIze\0\0"s}));

TEST(AppendFilterTest, RefusesAShortBuffer) {
  uint8_t out[12];
  const uint8_t old[] = {'a', 0, 0};
  EXPECT_EQ(0u, AppendFilter(old, sizeof(old), "VARERIze", out, AppendedFilterCapacity(3, 8) - 1));
  EXPECT_EQ(14u, AppendedFilterCapacity(3, 8));
}

struct HasCase {
  std::string value;
  bool has;
};

class FilterListHasNameTest : public ::testing::TestWithParam<HasCase> {};

TEST_P(FilterListHasNameTest, FindsWholeStringsInAnyCase) {
  EXPECT_EQ(GetParam().has, Has(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(
    Values, FilterListHasNameTest,
    ::testing::Values(HasCase{"RiRazAri\0\0"s, true}, HasCase{"a\0rirazari\0\0"s, true},
                      HasCase{"a\0\0RIRAZARI\0b\0\0"s, true}, HasCase{"RiRazAri\0"s, true},
                      HasCase{"a\0RiRazAriX\0\0"s, false}, HasCase{"a\0RiRazAr\0\0"s, false},
                      HasCase{"XRiRazAri\0\0"s, false}, HasCase{"\0"s, false},
                      // A string that lacks its NUL never matches; nor does a first string
                      // when the value's last byte is not a NUL.
                      HasCase{"a\0RiRazAri"s, false}, HasCase{"RiRazAri\0b"s, false},
                      HasCase{"RiRazAri"s, false}));

class PrependFilterTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(PrependFilterTest, PutsTheNameBeforeTheOldBytes) {
  EXPECT_EQ(GetParam().expected, Prepend(GetParam().old));
}

INSTANTIATE_TEST_SUITE_P(Lists, PrependFilterTest,
                         ::testing::Values(ListCase{"\0"s, "RiRazAri\0\0"s},
                                           ListCase{"PartMgr\0\0"s, "RiRazAri\0PartMgr\0\0"s},
                                           ListCase{"a\0\0b\0\0"s, "RiRazAri\0a\0\0b\0\0"s},
                                           ListCase{"a\0"s, "RiRazAri\0a\0"s},
                                           // A last string without its NUL is kept and terminated.
                                           ListCase{"a\0bc"s, "RiRazAri\0a\0bc\0"s},
                                           ListCase{
                                               std::string(260, 'y'),
                                               "RiRazAri\0"s + std::string(260, 'y') + "\0"s}));

TEST(PrependFilterTest, ListsOfUpTo260BytesFitTheCapacity) {
  EXPECT_EQ(270u, PrependedFilterCapacity(260, 8));
  std::string old = std::string(255, 'z') + "\0\0"s;
  old.resize(260, '\0');
  EXPECT_EQ("RiRazAri\0"s + old, Prepend(old));
  uint8_t out[269];
  EXPECT_EQ(0u, PrependFilter(reinterpret_cast<const uint8_t *>(old.data()), old.size(), "RiRazAri",
                              out, sizeof(out)));
}

}  // namespace
