// Install contexts: one record per caller key (the device information set of the
// co-installer, the instance handle of the setup entry) with its log stream and the
// finish-install flag that must survive from one co-installer call to a later one.
// Also the module's lifetime (DllMain).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "diag/list_link.h"

struct InstallContext {
  ListLink Link;    // Next and Prev, towards the list head at either end
  const void *Key;  // compared by value only, never dereferenced
  int32_t FinishInstallPending;
  FILE *LogStream;
};

// The record for the key, existing or new (a new one opens its log stream at once);
// none when the list mutex or the allocation fails.
InstallContext *FindOrCreateContext(const void *key);

// Unlinks the record, closes its log stream and frees it. None does nothing.
void RemoveContext(InstallContext *context);

InstallContext *FindContext(const void *key);

// Called by DllMain only.
void InitContextList();
void DestroyContextList();

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

// Module state.
extern ListLink ContextListHead;
extern uint32_t ContextCount;
extern HANDLE ContextListMutex;
extern volatile LONG AttachCount;
