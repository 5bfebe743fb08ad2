// The log lines of an INI section run, as tests expect them (line feeds only).
#pragma once

#include <string>

#include "support/wine_files.h"

// The four lines of a run whose directories were read.
inline std::string SectionOpening(const std::string &section) {
  return "Windows system directory: " + SystemDirectory() + "\n" +
         "Windows directory: " + WindowsDirectory() + "\n" +
         "INI file to use: " + SystemFile("kcoinst.ini") + "\n" +
         "Section to register: " + section + "\n";
}

// The two lines with which every registration of a path begins.
inline std::string RegisteringLines(const std::string &path) {
  const size_t slash = path.find_last_of('\\');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash);
  return "File to register: " + path + "\n" +
         "Path to File to register: " + directory.substr(0, 259) + "\n";
}

// The lines of a registration handed to regsvr32.
inline std::string RegisteringDllLines(const std::string &path) {
  return RegisteringLines(path) + "File to register is a DLL or AX\nRegister DLL: file = " + path +
         "\n";
}

// The lines of a HID USB driver copy whose source is missing (the shell's 0x402).
inline std::string MissingHidCopyLines() {
  const std::string sys = SystemDirectory();
  return "Calling CopyHIDUSBDriver()...\n"
         "Copying File \n"
         "From: " +
         sys +
         "\\hidusb.sys\n"
         "To: " +
         sys +
         "\\Drivers\\hidusb.sys\n"
         "SHFileOperation() operation Failed... Result - 1026\n";
}
