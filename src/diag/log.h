// The diagnostic log: "kcoinst.log" in the system directory, one stream per install
// context, text mode, emptied when it has reached kLogSizeLimit bytes at open.
#pragma once

#include <cstdio>

struct InstallContext;

constexpr long kLogSizeLimit = 102400;
constexpr char kLogFileName[] = "kcoinst.log";

// Writes one message through the context's stream, opening it first when it is not open.
// Returns the characters written, 0 when the log cannot be opened, negative on a failed write.
int LogPrint(InstallContext *context, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// Opens the log into the slot; 1 when the slot then holds a stream, else 0.
int OpenLogStream(FILE **slot);

// Closes the slot's stream (writing out what it buffers) and empties the slot.
void CloseLogStream(FILE **slot);
