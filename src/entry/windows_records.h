// SetupAPI codes the mingw-w64 headers spell differently or lack, and the sizes of the
// Windows records that the 32-bit module relies on.
#pragma once

#include <windows.h>
#include <setupapi.h>

#ifndef ERROR_DI_POSTPROCESSING_REQUESTED
#define ERROR_DI_POSTPROCESSING_REQUESTED ERROR_DI_POSTPROCESSING_REQUIRED
#endif
#ifndef DIF_FINISHINSTALL_ACTION
#define DIF_FINISHINSTALL_ACTION 0x0000002A
#endif
#ifndef DI_FLAGSEX_FINISHINSTALL_ACTION
#define DI_FLAGSEX_FINISHINSTALL_ACTION 0x00000008L
#endif

#include <cstring>

// The operating system's version record, asked afresh: zero-filled first, so a failed
// call leaves every field 0. The call's result is returned for those who look at it.
inline BOOL ReadOsVersion(OSVERSIONINFOA *version) {
  memset(version, 0, sizeof(*version));
  version->dwOSVersionInfoSize = sizeof(*version);
  return GetVersionExA(version);
}

static_assert(static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUESTED) == 0xE0000226,
              "post-processing request code");

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SP_DRVINFO_DETAIL_DATA_A) == 797, "driver detail record");
static_assert(sizeof(SP_DRVINFO_DATA_V2_A) == 796, "driver info record");
static_assert(sizeof(SP_DEVINSTALL_PARAMS_A) == 296, "install parameters record");
static_assert(sizeof(STARTUPINFOA) == 68, "startup record");
static_assert(sizeof(OSVERSIONINFOA) == 148, "version record");
#endif
