// The install driver on the sample camera package: the whole road of one installation as
// Windows 2000, XP, Vista and 7 would take it, as kcinstall prints it.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/filter_registry.h"
#include "support/recorder.h"
#include "support/wine_files.h"

namespace {

// The examples folder of the source tree, as Wine sees it.
std::string ExampleFile(const char *name) {
  std::string path = "Z:" KCOINST_EXAMPLES_DIR "/";
  std::replace(path.begin(), path.end(), '/', '\\');
  return path + name;
}

struct ProgramRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;  // line feeds only
};

ProgramRun RunProgram(std::string commandLine) {
  ProgramRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (started) {
    char chunk[4096];
    DWORD n;
    while (ReadFile(readEnd, chunk, sizeof(chunk), &n, nullptr) && n > 0)
      run.output.append(chunk, n);
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(readEnd);
  run.output.erase(std::remove(run.output.begin(), run.output.end(), '\r'), run.output.end());
  return run;
}

// The Windows version Wine reports to kcinstall.exe, for the length of a scope.
class ActAs {
 public:
  explicit ActAs(const char *version) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\kcinstall.exe", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    RegSetValueExA(key_, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version),
                   static_cast<DWORD>(strlen(version) + 1));
  }
  ~ActAs() {
    RegDeleteValueA(key_, "Version");
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
};

// The call lines, blanks squeezed: "DIF_INSTALLDEVICE pre-processing -> 0xE0000226 ...".
std::string Calls(const std::string &output) {
  std::istringstream lines(output);
  std::string calls;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("DIF_", 0) != 0 && line.rfind("  default action", 0) != 0) continue;
    std::istringstream words(line);
    std::string word, squeezed;
    while (words >> word) squeezed += (squeezed.empty() ? "" : " ") + word;
    calls += squeezed + "\n";
  }
  return calls;
}

struct Version {
  const char *wine;
  const char *acting;
  bool finishInstallAction;
  bool keepDevice;  // installed for good, as without --remove
};

// Removes a device that kcinstall left installed, by the instance ID it printed.
void RemoveInstalledDevice(const std::string &output) {
  const size_t at = output.find("device ROOT\\");
  if (at == std::string::npos) return;
  const std::string instance = output.substr(at + 7, output.find(',', at) - at - 7);
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (SetupDiOpenDeviceInfoA(set, instance.c_str(), nullptr, 0, &data)) {
    SetupDiRemoveDevice(set, &data);
  }
  SetupDiDestroyDeviceInfoList(set);
}

TEST(KcinstallTest, InstallsTheSamplePackageAsEachWindowsVersion) {
  const Version versions[] = {{"win2k", "acting as Windows 2000 (5.0", false, false},
                              {"winxp", "acting as Windows XP (5.1", false, true},
                              {"vista", "acting as Windows Vista (6.0", true, false},
                              {"win7", "acting as Windows 7 (6.1", true, true}};
  for (const Version &version : versions) {
    SCOPED_TRACE(version.wine);
    FilterRegistrySnapshot registry;
    FreshLog log;
    // SetupAPI's copy of the installed package's INF, and its compiled form.
    SetAside infCopy(WindowsDirectory() + "\\inf\\korvcam.inf");
    SetAside compiledInfCopy(WindowsDirectory() + "\\inf\\korvcam.pnf");
    SetAside dll(SystemFile("kcoinst.dll"));
    SetAside ini(SystemFile("kcoinst.ini"));
    ScratchDirectory package("kcoinst-sample");
    for (const char *name : {"korvcam.inf", "kcoinst.ini"}) {
      ASSERT_TRUE(CopyFileA(ExampleFile(name).c_str(), package.File(name).c_str(), FALSE));
    }
    ASSERT_TRUE(CopyFileA(BuiltProgramPath("kcoinst.dll").c_str(),
                          package.File("kcoinst.dll").c_str(), FALSE));
    const std::string valueAdd = package.File("krvalueadd.exe");
    ASSERT_TRUE(PlaceRecorder(valueAdd));
    ProgramRecord record;
    ActAs actAs(version.wine);

    const ProgramRun run = RunProgram(
        "\"" + BuiltProgramPath("kcinstall.exe") + "\" --remove \"" + package.File("korvcam.inf") +
        "\" USB\\VID_1234&PID_0A1B&REV_0100&MI_00 USB\\VID_1234&PID_0A1B&MI_00");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(0u, run.output.find(version.acting)) << run.output;
    EXPECT_EQ(std::string("DIF_INSTALLINTERFACES -> 0x00000000 NO_ERROR\n"
                          "DIF_INSTALLDEVICE pre-processing -> 0xE0000226 "
                          "ERROR_DI_POSTPROCESSING_REQUESTED\n"
                          "default action SetupDiInstallDevice -> 0x00000000 NO_ERROR\n"
                          "DIF_INSTALLDEVICE post-processing -> 0x00000000 NO_ERROR\n"
                          "DIF_NEWDEVICEWIZARD_FINISHINSTALL -> 0x00000000 NO_ERROR\n") +
                  (version.finishInstallAction ? "DIF_FINISHINSTALL_ACTION -> 0x00000000 NO_ERROR\n"
                                               : "") +
                  "DIF_DESTROYPRIVATEDATA -> 0x00000000 NO_ERROR\n",
              Calls(run.output))
        << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("co-installer kcoinst.dll,DuZuZodadeduv loaded from " +
                              SystemFile("kcoinst.dll")))
        << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("    starts " + valueAdd + "  (ShellExecuteEx, no arguments)\n"))
        << run.output;
    // The package's INI section runs between the banner and the value-add installer.
    const size_t banner = run.output.find("--- DIF_INSTALLDEVICE (Pro-processing) ----\n");
    const size_t section = run.output.find("Section to register: KorvCamVideo\n");
    const size_t folder = run.output.find("MediaSourceDirectory - " + package.Path() + "\\\n");
    EXPECT_NE(std::string::npos, folder) << run.output;
    EXPECT_LT(banner, section) << run.output;
    EXPECT_LT(section, folder) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("--- DIF_INSTALLDEVICE (Post-processing) ---\n"
                              "---- DIF_NEWDEVICEWIZARD_FINISHINSTALL ----\n" +
                              std::string(version.finishInstallAction
                                              ? "-------- DIF_FINISHINSTALL_ACTION ---------\n"
                                              : "") +
                              "--------- DIF_DESTROYPRIVATEDATA ----------\n"))
        << run.output;
    EXPECT_NE(std::string::npos, run.output.find("CoInstallers32 = kcoinst.dll,DuZuZodadeduv\n"))
        << run.output;
    EXPECT_EQ(1u, record.Lines(1).size());
    // Releasing the device set does not reach the co-installer once more.
    const std::string logged = log.Text();
    EXPECT_EQ(logged.find("DIF_DESTROYPRIVATEDATA"), logged.rfind("DIF_DESTROYPRIVATEDATA"))
        << logged;
    if (version.keepDevice) RemoveInstalledDevice(run.output);
    EXPECT_TRUE(FileExists(SystemFile("kcoinst.ini"))) << "the package's files were copied";
  }
}

TEST(KcinstallTest, SaysHowToUseItAndWhatFails) {
  ProgramRun run = RunProgram("\"" + BuiltProgramPath("kcinstall.exe") + "\"");
  EXPECT_EQ(2u, run.exitCode);
  EXPECT_EQ(0u, run.output.find("usage: kcinstall")) << run.output;
  ScratchDirectory package("kcoinst-sample");
  ASSERT_TRUE(
      CopyFileA(ExampleFile("korvcam.inf").c_str(), package.File("korvcam.inf").c_str(), FALSE));
  run = RunProgram("\"" + BuiltProgramPath("kcinstall.exe") + "\" --remove \"" +
                   package.File("korvcam.inf") + "\" USB\\VID_FFFF&PID_FFFF");
  EXPECT_EQ(1u, run.exitCode);
  EXPECT_NE(std::string::npos,
            run.output.find("cannot make the device: DIF_SELECTBESTCOMPATDRV failed (0xE0000228)"))
      << run.output;
}

}  // namespace
