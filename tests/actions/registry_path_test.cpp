#include "actions/registry_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SplitCase {
  const char *text;
  const char *key;
  const char *value;  // none: refused
};

class RegistryPathTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(RegistryPathTest, SplitsAtTheLastBackslash) {
  std::string text = GetParam().text;
  char *value = SplitRegistryPath(&text[0]);
  if (GetParam().value == nullptr) {
    EXPECT_EQ(nullptr, value);
    EXPECT_EQ(GetParam().text, text);
    return;
  }
  ASSERT_NE(nullptr, value);
  EXPECT_STREQ(GetParam().key, text.c_str());
  EXPECT_STREQ(GetParam().value, value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RegistryPathTest,
    ::testing::Values(SplitCase{"SOFTWARE\\K\\Value", "SOFTWARE\\K", "Value"},
                      SplitCase{"SOFTWARE\\A\\B\\C\\Value", "SOFTWARE\\A\\B\\C", "Value"},
                      SplitCase{"SOFTWARE\\K\\", "SOFTWARE\\K", ""},
                      SplitCase{"\\Value", "", "Value"}, SplitCase{"Value", nullptr, nullptr},
                      SplitCase{"", nullptr, nullptr}));

}  // namespace
