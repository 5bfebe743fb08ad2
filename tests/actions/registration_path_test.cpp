#include "actions/registration_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct KindCase {
  const char *path;
  RegistrationKind kind;
};

class RegistrationKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(RegistrationKindTest, JudgesTheTextFromTheFirstDot) {
  EXPECT_EQ(GetParam().kind, ClassifyRegistrationPath(GetParam().path)) << GetParam().path;
}

constexpr RegistrationKind kNone = RegistrationKind::None;
constexpr RegistrationKind kModule = RegistrationKind::Module;
constexpr RegistrationKind kExecutable = RegistrationKind::Executable;

INSTANTIATE_TEST_SUITE_P(
    Paths, RegistrationKindTest,
    ::testing::Values(KindCase{"C:\\w\\a.dll", kModule}, KindCase{"C:\\w\\a.DLL", kModule},
                      KindCase{"C:\\w\\f.ax", kModule}, KindCase{"C:\\w\\f.AX", kModule},
                      KindCase{"C:\\w\\p.exe", kExecutable}, KindCase{"C:\\w\\p.EXE", kExecutable},
                      KindCase{"C:\\w\\a.Dll", kNone}, KindCase{"C:\\w\\p.Exe", kNone},
                      KindCase{"C:\\w\\a.aX", kNone}, KindCase{"C:\\w\\readme", kNone},
                      KindCase{"", kNone}, KindCase{"C:\\w\\m.max", kModule},
                      KindCase{"C:\\w\\p.exe.dll", kModule}, KindCase{"C:\\d.ax\\p.exe", kModule},
                      KindCase{"C:\\v1.0\\p.exe", kExecutable}, KindCase{"dll\\p.txt", kNone},
                      KindCase{"dll.\\p", kNone}, KindCase{".dll", kModule}));

TEST(DirectoryPartTest, TakesWhatStandsBeforeTheLastBackslash) {
  char directory[260];
  DirectoryPart("C:\\a\\b\\c.dll", directory, sizeof(directory));
  EXPECT_STREQ("C:\\a\\b", directory);
  DirectoryPart("c.dll", directory, sizeof(directory));
  EXPECT_STREQ("", directory);
  DirectoryPart("\\c.dll", directory, sizeof(directory));
  EXPECT_STREQ("", directory);
}

TEST(DirectoryPartTest, ALongDirectoryIsCutToTheBuffer) {
  const std::string path = std::string(300, 'd') + "\\c.dll";
  char directory[260];
  DirectoryPart(path.c_str(), directory, sizeof(directory));
  EXPECT_EQ(std::string(259, 'd'), directory);
}

}  // namespace
