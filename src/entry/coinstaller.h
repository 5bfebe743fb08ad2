// The co-installer entry that SetupAPI calls for each device installation function, and
// the operations it uses on the selected driver, the Windows version and program starts.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <cstdint>

struct InstallContext;

// The export. Answers ERROR_DI_POSTPROCESSING_REQUESTED before the class installer's
// DIF_INSTALLDEVICE, NO_ERROR for everything else, E_FAIL when no install context can be had.
extern "C" DWORD CALLBACK DuZuZodadeduv(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                        PSP_DEVINFO_DATA DeviceInfoData,
                                        PCOINSTALLER_CONTEXT_DATA Context);

// Runs the kcoinst.ini section named like the selected driver's INF install section.
// The interpreter's result, or 0 when the section name cannot be had (failures logged).
int32_t ProcessDriverSection(InstallContext *context, HDEVINFO DeviceInfoSet,
                             PSP_DEVINFO_DATA DeviceInfoData);

// The folder of the selected driver's INF file, with its trailing backslash, into a buffer
// of MAX_PATH characters. 1 on success, else 0 (nothing logged).
int32_t GetMediaSourceDirectory(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                char *directory);

// 1 when the operating system's major version is 6 or more; asked afresh at each call.
int32_t IsVistaOrLater();

// Starts a file through the shell, with an optional command-line option, without waiting.
// 0 on success, else the failure as an HRESULT (a last-error code of 0 also yields 0).
HRESULT LaunchFile(InstallContext *context, const char *path, const char *option);

// How reading the selected driver's detail record went. The record's fixed part (section
// name, INF file) is filled also when its hardware-ID list does not fit.
enum class DriverDetailRead { Read, NoSelectedDriver, NoDriverDetail };

// Fills detail (size bytes, its cbSize set here) for the selected driver; on a failure the
// thread's last-error code tells why.
DriverDetailRead ReadSelectedDriverDetail(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                          SP_DRVINFO_DETAIL_DATA_A *detail, DWORD size);
