// The INI action interpreter: runs one section of kcoinst.ini in the system directory.
#pragma once

#include <cstdint>

struct InstallContext;

// 1 when both directories and the section were read, else 0.
int32_t ProcessIniSection(InstallContext *context, const char *section);
