// Judges arbitrary paths for registration and takes their directory part into buffers of
// every small capacity: the part must be a terminated prefix of the path.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "actions/registration_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const size_t capacity = data[0] % 32 + 1;
  std::vector<char> path(data + 1, data + size);
  path.push_back('\0');
  const RegistrationKind kind = ClassifyRegistrationPath(path.data());
  if (kind != RegistrationKind::None && strchr(path.data(), '.') == nullptr) abort();
  std::vector<char> directory(capacity);
  DirectoryPart(path.data(), directory.data(), directory.size());
  const size_t length = strnlen(directory.data(), directory.size());
  if (length >= capacity || memcmp(directory.data(), path.data(), length) != 0) abort();
  return 0;
}
