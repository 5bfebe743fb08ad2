// How a component path is judged for registration, and its directory part.
// Win32-free: built natively too, for the sanitizers and the fuzzers.
#pragma once

#include <cstddef>

enum class RegistrationKind { None, Module, Executable };

// From the first '.' of the whole path on (directory names included), the case-sensitive
// substrings "DLL", "dll", "ax", "AX" make a module for regsvr32; failing those, "EXE" or
// "exe" an executable that registers itself; anything else is not registered.
RegistrationKind ClassifyRegistrationPath(const char *path);

// The characters before the last backslash (empty without one), copied with the bounded
// copy into dest.
void DirectoryPart(const char *path, char *dest, size_t capacity);
