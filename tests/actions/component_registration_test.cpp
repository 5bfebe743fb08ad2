#include "actions/component_registration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/logged_context.h"
#include "support/iat_patch.h"
#include "support/recorder.h"

namespace {

HMODULE Self() { return GetModuleHandleA(nullptr); }

// One call of CreateProcessA as the module made it.
struct StartCall {
  std::string CommandLine;
  bool ApplicationName, Attributes, Environment, Directory;
  BOOL Inherit;
  DWORD Flags;
  bool StartupZeroButSize;
};

std::vector<StartCall> starts;
DWORD refuseWith;  // 0: pass the call on to Windows

BOOL WINAPI RecordingCreateProcess(LPCSTR application, LPSTR commandLine,
                                   LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread,
                                   BOOL inherit, DWORD flags, LPVOID environment, LPCSTR directory,
                                   LPSTARTUPINFOA startup, LPPROCESS_INFORMATION information) {
  STARTUPINFOA zero = {};
  zero.cb = sizeof(zero);
  starts.push_back(StartCall{commandLine, application != nullptr,
                             process != nullptr || thread != nullptr, environment != nullptr,
                             directory != nullptr, inherit, flags,
                             memcmp(startup, &zero, sizeof(zero)) == 0});
  if (refuseWith != 0) {
    SetLastError(refuseWith);
    return FALSE;
  }
  using Create = BOOL(WINAPI *)(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION);
  return RealFunction<Create>("kernel32.dll", "CreateProcessA")(application, commandLine, process,
                                                                thread, inherit, flags, environment,
                                                                directory, startup, information);
}

class ComponentRegistrationTest : public ::testing::Test, public LoggedActionTest {
 protected:
  void SetUp() override {
    starts.clear();
    refuseWith = 0;
  }
  std::string Regsvr32Line(const std::string &path) {
    return SystemDirectory() + "\\regsvr32.exe /s \"" + path + "\"";
  }
  ImportPatch createProcess_{Self(), "kernel32.dll", "CreateProcessA",
                             reinterpret_cast<void *>(RecordingCreateProcess)};
};

enum Started { kNothing, kRegsvr32, kSelf };

struct PathCase {
  const char *path;
  Started started;
};

void PrintTo(const PathCase &path, std::ostream *out) { *out << path.path; }

class RegisterFilePathTest : public ComponentRegistrationTest,
                             public ::testing::WithParamInterface<PathCase> {};

TEST_P(RegisterFilePathTest, ChoosesByTheTextAfterTheFirstDot) {
  ASSERT_TRUE(createProcess_.Active());
  refuseWith = ERROR_ACCESS_DENIED;  // nothing really starts
  const std::string path = GetParam().path;
  EXPECT_EQ(0, RegisterFile(&context_, GetParam().path));
  switch (GetParam().started) {
    case kNothing:
      EXPECT_TRUE(starts.empty());
      break;
    case kRegsvr32:
      ASSERT_EQ(1u, starts.size());
      EXPECT_EQ(Regsvr32Line(path), starts[0].CommandLine);
      break;
    case kSelf:
      ASSERT_EQ(1u, starts.size());
      EXPECT_EQ("\"" + path + "\" /REGSERVER", starts[0].CommandLine);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RegisterFilePathTest,
    ::testing::Values(PathCase{"C:\\k\\a.dll", kRegsvr32}, PathCase{"C:\\k\\a.DLL", kRegsvr32},
                      PathCase{"C:\\k\\f.ax", kRegsvr32}, PathCase{"C:\\k\\f.AX", kRegsvr32},
                      PathCase{"C:\\k\\p.exe", kSelf}, PathCase{"C:\\k\\p.EXE", kSelf},
                      PathCase{"C:\\k\\a.Dll", kNothing}, PathCase{"C:\\k\\p.Exe", kNothing},
                      PathCase{"C:\\k\\m.max", kRegsvr32}, PathCase{"C:\\k\\p.exe.dll", kRegsvr32},
                      PathCase{"C:\\d.ax\\p.exe", kRegsvr32}, PathCase{"C:\\v1.0\\p.exe", kSelf},
                      PathCase{"C:\\k\\readme", kNothing}, PathCase{"C:\\k\\a.txt", kNothing},
                      PathCase{"p.exe", kSelf}));

TEST_F(ComponentRegistrationTest, UnregistrableFilesLeaveTheTwoOpeningLinesOnly) {
  EXPECT_EQ(0, RegisterFile(&context_, "C:\\k\\a.Dll"));
  EXPECT_EQ(0, RegisterFile(&context_, "readme"));
  EXPECT_EQ(Stored("File to register: C:\\k\\a.Dll\nPath to File to register: C:\\k\n"
                   "File to register: readme\nPath to File to register: \n"),
            Log());
}

TEST_F(ComponentRegistrationTest, AModuleGoesToWinesRegsvr32) {
  ScratchDirectory scratch;
  const std::string module = scratch.File("target.dll");
  ASSERT_TRUE(CopyFileA(BuiltProgramPath("regsvr_target.dll").c_str(), module.c_str(), FALSE));
  ProgramRecord record;
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(1, RegisterFile(&context_, module.c_str()));
  const std::vector<std::string> lines = record.Lines(1);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(0, _stricmp((module + "|DllRegisterServer").c_str(), lines[0].c_str())) << lines[0];
  ASSERT_EQ(1u, starts.size());
  const StartCall &call = starts[0];
  EXPECT_EQ(Regsvr32Line(module), call.CommandLine);
  EXPECT_FALSE(call.ApplicationName);
  EXPECT_FALSE(call.Attributes);
  EXPECT_FALSE(call.Inherit);
  EXPECT_EQ(0u, call.Flags);
  EXPECT_FALSE(call.Environment);
  EXPECT_FALSE(call.Directory);
  EXPECT_TRUE(call.StartupZeroButSize);
  EXPECT_EQ(Stored("File to register: " + module + "\nPath to File to register: " + scratch.Path() +
                   "\nFile to register is a DLL or AX\nRegister DLL: file = " + module + "\n"),
            Log());
}

TEST_F(ComponentRegistrationTest, AnExecutableIsStartedWithRegserver) {
  ScratchDirectory scratch;
  const std::string program = scratch.File("component.exe");
  ASSERT_TRUE(PlaceRecorder(program));
  ProgramRecord record;
  EXPECT_EQ(1, RegisterFile(&context_, program.c_str()));
  EXPECT_EQ((std::vector<std::string>{program + "|\"" + program + "\" /REGSERVER"}),
            record.Lines(1));
  ASSERT_EQ(1u, starts.size());
  EXPECT_FALSE(starts[0].ApplicationName);
  EXPECT_TRUE(starts[0].StartupZeroButSize);
  EXPECT_EQ(Stored("File to register: " + program + "\nPath to File to register: " +
                   scratch.Path() + "\nRegister EXE: file = " + program + "\n"),
            Log());
}

TEST_F(ComponentRegistrationTest, AMissingModuleStillStartsRegsvr32) {
  EXPECT_EQ(1, Regsvr32DLL(&context_, "C:\\kcoinst-absent\\none.dll"));
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(Stored("File to register is a DLL or AX\n"
                   "Register DLL: file = C:\\kcoinst-absent\\none.dll\n"),
            Log());
}

TEST_F(ComponentRegistrationTest, AMissingExecutableIsNotStarted) {
  EXPECT_EQ(0, RegisterExe(&context_, "C:\\kcoinst-absent\\none.exe"));
  EXPECT_EQ(Stored("Register EXE: file = C:\\kcoinst-absent\\none.exe\n"
                   "Register EXE: Failed to register C:\\kcoinst-absent\\none.exe (" +
                   std::to_string(ERROR_FILE_NOT_FOUND) + ")\n"),
            Log());
}

TEST_F(ComponentRegistrationTest, Regsvr32NeedsTheSystemDirectory) {
  int32_t result;
  OpenLog();
  {
    FakeSystemDirectory fails(Self(), "");
    result = Regsvr32DLL(&context_, "C:\\k\\a.dll");
  }
  EXPECT_EQ(0, result);
  EXPECT_TRUE(starts.empty());
  EXPECT_EQ(Stored("File to register is a DLL or AX\n"
                   "Regsvr32DLL: Failed to get system directory (" +
                   std::to_string(ERROR_PATH_NOT_FOUND) + ")\n"),
            Log());
}

// A path of `length` characters ending in the given extension.
std::string PathOfLength(size_t length, const char *extension) {
  return "C:\\" + std::string(length - 3 - strlen(extension), 'c') + extension;
}

struct LengthCase {
  bool module;
  size_t pathLength;
  bool fits;
};

void PrintTo(const LengthCase &length, std::ostream *out) {
  *out << (length.module ? "regsvr32" : "/REGSERVER") << " path of " << length.pathLength;
}

class CommandLineLengthTest : public ComponentRegistrationTest,
                              public ::testing::WithParamInterface<LengthCase> {};

TEST_P(CommandLineLengthTest, ACommandLineThatDoesNotFitIsNotStarted) {
  refuseWith = ERROR_ACCESS_DENIED;  // a start that is tried fails with this code
  const std::string path = PathOfLength(GetParam().pathLength, GetParam().module ? ".dll" : ".exe");
  const std::string line = GetParam().module ? Regsvr32Line(path) : "\"" + path + "\" /REGSERVER";
  ASSERT_EQ(GetParam().fits ? 259u : 260u, line.size());
  const int32_t result = GetParam().module ? Regsvr32DLL(&context_, path.c_str())
                                           : RegisterExe(&context_, path.c_str());
  EXPECT_EQ(0, result);
  const int code = GetParam().fits ? ERROR_ACCESS_DENIED : ERROR_INSUFFICIENT_BUFFER;
  if (GetParam().fits) {
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(line, starts[0].CommandLine);
  } else {
    EXPECT_TRUE(starts.empty());
  }
  const std::string failure = GetParam().module ? "Regsvr32DLL: Failed to register " + path + " ("
                                                : "Register EXE: Failed to register " + path + " (";
  EXPECT_NE(std::string::npos, Log().find(Stored(failure + std::to_string(code) + ")\n")));
}

const size_t kRegsvr32Room = 259 - SystemDirectory().size() - strlen("\\regsvr32.exe /s \"\"");
const size_t kRegserverRoom = 259 - strlen("\"\" /REGSERVER");

INSTANTIATE_TEST_SUITE_P(Lengths, CommandLineLengthTest,
                         ::testing::Values(LengthCase{true, kRegsvr32Room, true},
                                           LengthCase{true, kRegsvr32Room + 1, false},
                                           LengthCase{false, kRegserverRoom, true},
                                           LengthCase{false, kRegserverRoom + 1, false}));

}  // namespace
