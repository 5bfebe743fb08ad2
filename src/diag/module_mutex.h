// Waiting for the module's unnamed mutexes (the context list's and the allocator's).
#pragma once

#include <windows.h>

// Waits without a time limit; true only for WAIT_OBJECT_0. A handle that could not be
// created makes every wait fail.
inline bool TakeModuleMutex(HANDLE mutex) {
  return WaitForMultipleObjectsEx(1, &mutex, FALSE, INFINITE, FALSE) == WAIT_OBJECT_0;
}

inline HANDLE CreateModuleMutex() { return CreateMutexA(nullptr, FALSE, nullptr); }
