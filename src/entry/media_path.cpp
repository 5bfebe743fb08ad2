#include "entry/media_path.h"

#include <cstring>

#include "diag/bounded_string.h"

int32_t EndAtFilePart(char *path, size_t capacity, const char *filePart) {
  size_t length = 0;
  if (filePart == nullptr || BoundedLength(path, capacity, &length) != kStrOk) {
    return kStrInvalidArgument;
  }
  // Compared as addresses: the file part may come from anywhere.
  const uintptr_t start = reinterpret_cast<uintptr_t>(path);
  const uintptr_t at = reinterpret_cast<uintptr_t>(filePart);
  if (at < start || at - start > length) return kStrInvalidArgument;
  path[at - start] = '\0';
  return kStrOk;
}

int32_t JoinWhole(char *path, size_t capacity, const char *file) {
  size_t used = 0;
  if (BoundedLength(path, capacity, &used) != kStrOk) return kStrInvalidArgument;
  const size_t added = file == nullptr ? 0 : strlen(file);
  if (added >= capacity - used) return kStrInsufficientBuffer;
  return BoundedConcat(path, capacity, file);
}
