// Path work for the value-add installer in the driver's source folder: the folder of the
// INF file taken from its full path, and a file name joined to it, never cut.
// Win32-free: built natively too, for the sanitizers and the fuzzers.
#pragma once

#include <cstddef>
#include <cstdint>

// Ends the terminated text in path (capacity characters) at filePart, which must point into
// that text or at its terminator; the folder then keeps its trailing separator. A file part
// that is none or lies elsewhere is refused with kStrInvalidArgument and path is unchanged.
int32_t EndAtFilePart(char *path, size_t capacity, const char *filePart);

// Appends file to the terminated directory text in path only when the whole result fits
// the capacity; otherwise path is unchanged and the result is kStrInsufficientBuffer (or
// kStrInvalidArgument for an unusable buffer). A cut path would start another program.
int32_t JoinWhole(char *path, size_t capacity, const char *file);
