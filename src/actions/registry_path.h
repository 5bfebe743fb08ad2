// A registry path text "key path\value name" below HKEY_LOCAL_MACHINE.
// Win32-free: built natively too, for the sanitizers and the fuzzers.
#pragma once

// Splits the text in place at its last backslash: the text then holds the key path, and the
// result points at the value name (empty for the key's default value). None when the text
// has no backslash; it is then left as it was.
char *SplitRegistryPath(char *text);
