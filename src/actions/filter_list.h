// Class filter lists: REG_MULTI_SZ values, NUL-terminated strings one after the other and
// one more NUL at the end. Names compare without regard to (ASCII) case.
// Win32-free: built natively too, for the sanitizers and the fuzzers.
#pragma once

#include <cstddef>
#include <cstdint>

// Room for the list that AppendFilter builds from a value of oldSize bytes: the old bytes,
// the name with its NUL, the list end, and one NUL for a last string that lacks its own.
size_t AppendedFilterCapacity(size_t oldSize, size_t nameLength);

// Copies the strings of the old value (empty ones dropped, a last string without its NUL
// terminated), then the name unless one of them equals it, then the list end. Returns the
// new list's size in bytes, or 0 when `capacity` is smaller than AppendedFilterCapacity.
size_t AppendFilter(const uint8_t *old, size_t oldSize, const char *name, uint8_t *out,
                    size_t capacity);

// Whether a value of n bytes (n >= 1) holds the name as one of its strings. A string begins
// at a non-NUL byte before the last one whose preceding byte is NUL (for the first byte, the
// value's last byte stands before it); a string without a NUL inside the value never matches.
bool FilterListHasName(const uint8_t *value, size_t n, const char *name);

// Room for the list that PrependFilter builds from a value of n bytes.
size_t PrependedFilterCapacity(size_t n, size_t nameLength);

// The name with its NUL, then the n old bytes unchanged, and a NUL after them when the last
// string lacks its own. Returns the new size, or 0 when `capacity` is too small.
size_t PrependFilter(const uint8_t *value, size_t n, const char *name, uint8_t *out,
                     size_t capacity);
