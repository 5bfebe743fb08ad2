#include "diag/log.h"

#include <gtest/gtest.h>

#include <string>

#include "entry/install_context.h"
#include "support/iat_patch.h"
#include "support/logged_context.h"
#include "support/wine_files.h"

namespace {

HMODULE Self() { return GetModuleHandleA(nullptr); }

class LogTest : public ::testing::Test {
 protected:
  FreshLog log_;
};

TEST_F(LogTest, OpensLazilyAndStoresLineFeedsAsCrLf) {
  LooseContext context;
  EXPECT_EQ(nullptr, context.LogStream);
  EXPECT_EQ(10, LogPrint(&context, "one %d\ntwo\n", 1));
  EXPECT_NE(nullptr, context.LogStream);
  EXPECT_EQ(4, LogPrint(&context, "%s\n", "abc"));
  CloseLogStream(&context.LogStream);
  EXPECT_EQ(nullptr, context.LogStream);
  EXPECT_EQ("one 1\r\ntwo\r\nabc\r\n", log_.Text());
}

TEST_F(LogTest, AnAbsentStringIsWrittenAsNull) {
  LooseContext context;
  const char *volatile absent = nullptr;  // opaque to the format checker
  LogPrint(&context, "Launching File %s with CommandLine Option - %s\n", "C:\\a.exe", absent);
  CloseLogStream(&context.LogStream);
  EXPECT_EQ("Launching File C:\\a.exe with CommandLine Option - (null)\r\n", log_.Text());
}

TEST_F(LogTest, TextReachesTheFileAtTheLatestWhenTheStreamCloses) {
  LooseContext context;
  LogPrint(&context, "%s\n", std::string(5000, 'b').c_str());
  CloseLogStream(&context.LogStream);
  EXPECT_EQ(std::string(5000, 'b') + "\r\n", log_.Text());
}

TEST_F(LogTest, StreamsOfSeveralContextsShareTheFile) {
  LooseContext first, second;
  LogPrint(&first, "first\n");
  LogPrint(&second, "second\n");
  CloseLogStream(&second.LogStream);
  CloseLogStream(&first.LogStream);
  // Each stream appends at the end of the file as it is when its buffer is written.
  const std::string text = log_.Text();
  EXPECT_TRUE(text == "first\r\nsecond\r\n" || text == "second\r\nfirst\r\n") << text;
}

struct SizeCase {
  size_t existing;
  bool emptied;
};

class LogSizeLimitTest : public LogTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(LogSizeLimitTest, ALogAtTheLimitIsEmptiedWhenAStreamOpens) {
  const std::string old(GetParam().existing, 'o');
  ASSERT_TRUE(WriteBytes(SystemFile("kcoinst.log"), old));
  LooseContext context;
  EXPECT_EQ(1, OpenLogStream(&context.LogStream));
  LogPrint(&context, "new\n");
  CloseLogStream(&context.LogStream);
  EXPECT_EQ(GetParam().emptied ? "new\r\n" : old + "new\r\n", log_.Text());
}

INSTANTIATE_TEST_SUITE_P(Sizes, LogSizeLimitTest,
                         ::testing::Values(SizeCase{0, false}, SizeCase{102399, false},
                                           SizeCase{102400, true}, SizeCase{150000, true}));

FILE *__cdecl RefuseToEmpty(const char *path, const char *mode, int share) {
  if (std::string(mode) == "w+") return nullptr;
  using Open = FILE *(__cdecl *)(const char *, const char *, int);
  return RealFunction<Open>("msvcrt.dll", "_fsopen")(path, mode, share);
}

TEST_F(LogTest, AFailedEmptyingLeavesNoStreamAndIsTriedAgain) {
  ASSERT_TRUE(WriteBytes(SystemFile("kcoinst.log"), std::string(102400, 'o')));
  LooseContext context;
  int opened, printed;
  {
    ImportPatch patch(Self(), "msvcrt.dll", "_fsopen", reinterpret_cast<void *>(RefuseToEmpty));
    ASSERT_TRUE(patch.Active());
    opened = OpenLogStream(&context.LogStream);
    printed = LogPrint(&context, "lost\n");
  }
  EXPECT_EQ(0, opened);
  EXPECT_EQ(0, printed);
  EXPECT_EQ(nullptr, context.LogStream);
  EXPECT_EQ(5, LogPrint(&context, "kept\n"));
  CloseLogStream(&context.LogStream);
  EXPECT_EQ("kept\r\n", log_.Text());
}

TEST_F(LogTest, AnUnopenableLogWritesNothingAndIsTriedAgainAtTheNextMessage) {
  const std::string path = SystemFile("kcoinst.log");
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));  // a directory where the file should be
  LooseContext context;
  EXPECT_EQ(0, OpenLogStream(&context.LogStream));
  EXPECT_EQ(nullptr, context.LogStream);
  EXPECT_EQ(0, LogPrint(&context, "lost\n"));
  EXPECT_EQ(nullptr, context.LogStream);

  ASSERT_TRUE(RemoveDirectoryA(path.c_str()));
  EXPECT_EQ(6, LogPrint(&context, "found\n"));
  CloseLogStream(&context.LogStream);
  EXPECT_EQ("found\r\n", log_.Text());
}

// A directory whose full path has exactly the given length.
std::string MakeDirectoryOfLength(const ScratchDirectory &scratch, size_t length) {
  std::string path = scratch.Path();
  while (path.size() < length) {
    const size_t room = length - path.size() - 1;  // one for the backslash
    path += "\\" + std::string(room > 100 && room - 100 >= 2 ? 100 : room, 'd');
    CreateDirectoryA(path.c_str(), nullptr);
  }
  return path;
}

TEST_F(LogTest, ASystemDirectoryOf247CharactersHoldsTheLog) {
  ScratchDirectory scratch;
  const std::string directory = MakeDirectoryOfLength(scratch, 247);
  ASSERT_EQ(247u, directory.size());
  LooseContext context;
  {
    FakeSystemDirectory fake(Self(), directory.c_str());
    EXPECT_EQ(1, OpenLogStream(&context.LogStream));
  }
  LogPrint(&context, "deep\n");
  CloseLogStream(&context.LogStream);
  const std::string path = directory + "\\kcoinst.log";
  EXPECT_EQ(259u, path.size());
  EXPECT_EQ("deep\r\n", ReadBytes(path));
}

struct BareNameCase {
  size_t directoryLength;  // 0: GetSystemDirectoryA fails
};

class LogBareNameTest : public LogTest, public ::testing::WithParamInterface<BareNameCase> {};

TEST_P(LogBareNameTest, FallsBackToTheCurrentDirectory) {
  ScratchDirectory scratch;
  const size_t length = GetParam().directoryLength;
  const std::string directory = length ? MakeDirectoryOfLength(scratch, length) : "";
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
  LooseContext context;
  {
    FakeSystemDirectory fake(Self(), directory.c_str());
    EXPECT_EQ(1, OpenLogStream(&context.LogStream));
  }
  LogPrint(&context, "here\n");
  CloseLogStream(&context.LogStream);
  SetCurrentDirectoryA(previous);
  EXPECT_EQ("here\r\n", ReadBytes(scratch.File("kcoinst.log")));
  EXPECT_EQ("", log_.Text());
}

INSTANTIATE_TEST_SUITE_P(Directories, LogBareNameTest,
                         ::testing::Values(BareNameCase{248}, BareNameCase{300}, BareNameCase{0}));

}  // namespace
