// Feeds arbitrary sources, destinations and capacities to the bounded string operations:
// none may read or write outside its buffers, and each must leave a terminated string.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "diag/bounded_string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  const size_t capacity = data[0] % 64;
  const size_t prefix = data[1] % 64;
  data += 2;
  size -= 2;

  // The source: the input's bytes, terminated, in a buffer of exactly that size.
  std::vector<char> source(data, data + size);
  source.push_back('\0');
  // The destination: capacity characters, with a prefix that may or may not be terminated.
  std::vector<char> dest(capacity == 0 ? 1 : capacity, 'x');
  for (size_t i = 0; i < prefix && i < dest.size(); ++i) dest[i] = source[i % source.size()];

  size_t length = 0;
  int32_t result = BoundedConcat(dest.data(), capacity, source.data());
  if (capacity != 0 && result != kStrInvalidArgument) {
    if (BoundedLength(dest.data(), capacity, &length) != kStrOk) abort();
  }
  if (BoundedCopy(dest.data(), capacity, source.data()) != kStrInvalidArgument) {
    if (BoundedLength(dest.data(), capacity, &length) != kStrOk) abort();
    if (strncmp(dest.data(), source.data(), length) != 0) abort();
  }
  if (BoundedFormat(dest.data(), capacity, "%s|%d", source.data(), static_cast<int>(size)) !=
      kStrInvalidArgument) {
    if (BoundedLength(dest.data(), capacity, &length) != kStrOk) abort();
  }
  BoundedLength(source.data(), source.size(), &length);
  if (length > size) abort();
  return 0;
}
