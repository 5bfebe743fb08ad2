#include "actions/filter_list.h"

#include <cstring>

namespace {

uint8_t LowerAscii(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c; }

// Whether the `length` bytes at text equal the name, without regard to case.
bool SameName(const uint8_t *text, size_t length, const char *name) {
  if (length != strlen(name)) return false;
  for (size_t i = 0; i < length; ++i) {
    if (LowerAscii(text[i]) != LowerAscii(static_cast<uint8_t>(name[i]))) return false;
  }
  return true;
}

// The length of the string at text, bounded by the bytes left in the value.
size_t StringLength(const uint8_t *text, size_t left) {
  const void *end = memchr(text, '\0', left);
  return end == nullptr ? left : static_cast<size_t>(static_cast<const uint8_t *>(end) - text);
}

}  // namespace

size_t AppendedFilterCapacity(size_t oldSize, size_t nameLength) {
  return oldSize + nameLength + 3;
}

size_t AppendFilter(const uint8_t *old, size_t oldSize, const char *name, uint8_t *out,
                    size_t capacity) {
  const size_t nameLength = strlen(name);
  if (capacity < AppendedFilterCapacity(oldSize, nameLength)) return 0;
  size_t used = 0;
  bool present = false;
  for (size_t i = 0; i < oldSize;) {
    if (old[i] == '\0') {
      ++i;
      continue;
    }
    const size_t length = StringLength(old + i, oldSize - i);
    present = present || SameName(old + i, length, name);
    memcpy(out + used, old + i, length);
    used += length;
    out[used++] = '\0';
    i += length + 1;
  }
  if (!present) {
    memcpy(out + used, name, nameLength + 1);
    used += nameLength + 1;
  }
  out[used++] = '\0';
  return used;
}

bool FilterListHasName(const uint8_t *value, size_t n, const char *name) {
  for (size_t i = 0; i + 1 < n; ++i) {
    const uint8_t before = i == 0 ? value[n - 1] : value[i - 1];
    if (value[i] == '\0' || before != '\0') continue;
    const size_t length = StringLength(value + i, n - i);
    if (i + length < n && SameName(value + i, length, name)) return true;
  }
  return false;
}

size_t PrependedFilterCapacity(size_t n, size_t nameLength) { return nameLength + 1 + n + 1; }

size_t PrependFilter(const uint8_t *value, size_t n, const char *name, uint8_t *out,
                     size_t capacity) {
  const size_t nameLength = strlen(name);
  if (capacity < PrependedFilterCapacity(n, nameLength)) return 0;
  memcpy(out, name, nameLength + 1);
  size_t used = nameLength + 1;
  if (n != 0) memcpy(out + used, value, n);
  used += n;
  if (n != 0 && value[n - 1] != '\0') out[used++] = '\0';
  return used;
}
