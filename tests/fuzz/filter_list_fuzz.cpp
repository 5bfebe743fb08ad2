// Builds filter lists from arbitrary old values in buffers of exactly their capacity: the
// new list must be a well-formed list that holds the name once, whatever the old bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "actions/filter_list.h"

namespace {

// Ends with two NULs and has no string that lacks its NUL.
void CheckWellFormed(const std::vector<uint8_t> &list, size_t size) {
  if (size < 2 || list[size - 1] != 0) abort();
}

size_t CountName(const std::vector<uint8_t> &list, size_t size, const char *name) {
  size_t count = 0;
  for (size_t i = 0; i < size;) {
    const char *text = reinterpret_cast<const char *>(list.data() + i);
    const size_t length = strnlen(text, size - i);
    if (length != 0 && strcasecmp(text, name) == 0) ++count;
    i += length + 1;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *name = size % 2 ? "VARERIze" : "RiRazAri";
  const std::vector<uint8_t> old(data, data + size);

  std::vector<uint8_t> appended(AppendedFilterCapacity(size, strlen(name)));
  const size_t appendedSize =
      AppendFilter(old.data(), old.size(), name, appended.data(), appended.size());
  CheckWellFormed(appended, appendedSize);
  if (CountName(appended, appendedSize, name) == 0) abort();

  if (size == 0) return 0;
  const bool has = FilterListHasName(old.data(), old.size(), name);
  std::vector<uint8_t> prepended(PrependedFilterCapacity(size, strlen(name)));
  const size_t prependedSize =
      PrependFilter(old.data(), old.size(), name, prepended.data(), prepended.size());
  if (prependedSize < size + strlen(name) + 1 || prependedSize > prepended.size()) abort();
  if (memcmp(prepended.data() + strlen(name) + 1, old.data(), size) != 0) abort();
  if (prepended[prependedSize - 1] != 0) abort();
  if (has && CountName(prepended, prependedSize, name) < 2) abort();
  return 0;
}
