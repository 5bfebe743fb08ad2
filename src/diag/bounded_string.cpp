#include "diag/bounded_string.h"

#include <cstdio>

namespace {

bool CapacityUsable(const char *dest, size_t capacity) {
  return dest != nullptr && capacity != 0 && capacity <= kStrMaxCapacity;
}

// Copies source into dest[0 .. room), always terminating within it.
int32_t CopyInto(char *dest, size_t room, const char *source) {
  if (source == nullptr) source = "";
  size_t n = 0;
  while (n + 1 < room && source[n] != '\0') {
    dest[n] = source[n];
    ++n;
  }
  dest[n] = '\0';
  return source[n] == '\0' ? kStrOk : kStrInsufficientBuffer;
}

}  // namespace

int32_t BoundedCopy(char *dest, size_t capacity, const char *source) {
  if (!CapacityUsable(dest, capacity)) return kStrInvalidArgument;
  return CopyInto(dest, capacity, source);
}

int32_t BoundedConcat(char *dest, size_t capacity, const char *source) {
  if (!CapacityUsable(dest, capacity)) return kStrInvalidArgument;
  size_t used = 0;
  if (BoundedLength(dest, capacity, &used) != kStrOk) return kStrInvalidArgument;
  return CopyInto(dest + used, capacity - used, source);
}

int32_t BoundedFormatV(char *dest, size_t capacity, const char *format, va_list args) {
  if (!CapacityUsable(dest, capacity)) return kStrInvalidArgument;
  if (format == nullptr) format = "";
  // Some C runtimes neither terminate a cut result nor report the full length, so the
  // last character is always set here and a negative result counts as cut.
  int written = vsnprintf(dest, capacity, format, args);
  dest[capacity - 1] = '\0';
  if (written < 0 || static_cast<size_t>(written) >= capacity) return kStrInsufficientBuffer;
  return kStrOk;
}

int32_t BoundedFormat(char *dest, size_t capacity, const char *format, ...) {
  va_list args;
  va_start(args, format);
  int32_t result = BoundedFormatV(dest, capacity, format, args);
  va_end(args);
  return result;
}

int32_t BoundedLength(const char *text, size_t maximum, size_t *length) {
  if (length != nullptr) *length = 0;
  if (text == nullptr || maximum == 0 || maximum > kStrMaxCapacity) return kStrInvalidArgument;
  size_t n = 0;
  while (n < maximum && text[n] != '\0') ++n;
  if (n == maximum) return kStrInvalidArgument;
  if (length != nullptr) *length = n;
  return kStrOk;
}
