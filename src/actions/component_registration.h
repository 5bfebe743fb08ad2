// Registration of COM components named by action lines: modules through regsvr32,
// executables through their own /REGSERVER switch. Processes are started, never waited for.
#pragma once

#include <cstdint>

struct InstallContext;

// 0 when the path names nothing to register, else what Regsvr32DLL or RegisterExe answers.
int32_t RegisterFile(InstallContext *context, const char *path);

// 1 when regsvr32 was started on the module, else 0.
int32_t Regsvr32DLL(InstallContext *context, const char *path);

// 1 when the executable was started with /REGSERVER, else 0.
int32_t RegisterExe(InstallContext *context, const char *path);
