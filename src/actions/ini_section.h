// The INI action interpreter: runs one section of kcoinst.ini in the system directory.
#pragma once

#include <cstdint>

struct InstallContext;

constexpr char kIniFileName[] = "kcoinst.ini";

// 1 when both directories and the section were read, else 0.
int32_t ProcessIniSection(InstallContext *context, const char *section);

// NT 5.0 and NT 5.1, asked of GetVersionExA afresh each time (a failed query is neither).
int32_t IsWindows2000();
int32_t IsWindowsXP();
