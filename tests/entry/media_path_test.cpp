#include "entry/media_path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diag/bounded_string.h"

namespace {

TEST(EndAtFilePartTest, KeepsTheFolderWithItsSeparator) {
  char path[32] = "C:\\Drivers\\Cam\\cam.inf";
  EXPECT_EQ(kStrOk, EndAtFilePart(path, sizeof(path), path + strlen("C:\\Drivers\\Cam\\")));
  EXPECT_STREQ("C:\\Drivers\\Cam\\", path);
}

TEST(EndAtFilePartTest, RefusesAFilePartOutsideTheText) {
  char whole[40] = "....C:\\Drivers\\cam.inf";
  char *path = whole + 4;
  const size_t capacity = sizeof(whole) - 4;
  const char elsewhere[] = "cam.inf";
  const char *cases[] = {nullptr, elsewhere, path + strlen(path) + 1, whole};
  for (const char *filePart : cases) {
    EXPECT_EQ(kStrInvalidArgument, EndAtFilePart(path, capacity, filePart));
    EXPECT_STREQ("C:\\Drivers\\cam.inf", path);
  }
  EXPECT_EQ(kStrOk, EndAtFilePart(path, capacity, path + strlen(path)));  // the terminator
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(kStrInvalidArgument, EndAtFilePart(unterminated, sizeof(unterminated), unterminated));
}

TEST(JoinWholeTest, AppendsOnlyWhatFitsWhole) {
  struct Case {
    size_t folder;  // characters already in the buffer
    int32_t result;
  };
  // A 16-character buffer holds 15 characters: "krvalueadd.exe" is 14.
  const Case cases[] = {
      {0, kStrOk}, {1, kStrOk}, {2, kStrInsufficientBuffer}, {15, kStrInsufficientBuffer}};
  for (const Case &c : cases) {
    char path[16];
    const std::string folder(c.folder, 'd');
    memcpy(path, folder.c_str(), folder.size() + 1);
    EXPECT_EQ(c.result, JoinWhole(path, sizeof(path), "krvalueadd.exe")) << c.folder;
    EXPECT_EQ(c.result == kStrOk ? folder + "krvalueadd.exe" : folder, path) << c.folder;
  }
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(kStrInvalidArgument, JoinWhole(unterminated, sizeof(unterminated), "x"));
  EXPECT_EQ(kStrInvalidArgument, JoinWhole(unterminated, 0, "x"));
}

}  // namespace
