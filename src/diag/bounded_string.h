// Bounded string operations on fixed character buffers.
//
// Every operation takes the destination and its capacity in characters and leaves a
// terminated string whenever the capacity is usable. A result that does not fit is cut
// and reported; callers use the cut text as it stands unless they say otherwise.
// Win32-free: built natively too, for the sanitizers and the fuzzers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// HRESULT-style results (the values of S_OK, STRSAFE_E_INSUFFICIENT_BUFFER, E_INVALIDARG).
constexpr int32_t kStrOk = 0;
constexpr int32_t kStrInsufficientBuffer = static_cast<int32_t>(0x8007007Au);
constexpr int32_t kStrInvalidArgument = static_cast<int32_t>(0x80070057u);

// Largest capacity accepted; a larger one is taken for a corrupted size.
constexpr size_t kStrMaxCapacity = 0x7FFFFFFF;

// Copies at most capacity - 1 characters of source (none counts as empty).
int32_t BoundedCopy(char *dest, size_t capacity, const char *source);

// Appends source after the terminated text in dest, as BoundedCopy does. A dest without a
// terminator inside its capacity is refused with kStrInvalidArgument and left unchanged.
int32_t BoundedConcat(char *dest, size_t capacity, const char *source);

// printf-style formatting into at most capacity - 1 characters; an absent %s prints "(null)".
int32_t BoundedFormat(char *dest, size_t capacity, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
int32_t BoundedFormatV(char *dest, size_t capacity, const char *format, va_list args);

// The length of text, which must be terminated within maximum characters.
int32_t BoundedLength(const char *text, size_t maximum, size_t *length);
