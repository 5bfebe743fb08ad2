// Feeds arbitrary folder texts, file names, capacities and file-part positions to the
// media-path operations: none may write outside the buffer or leave it unterminated, and a
// join either fits whole or leaves the folder as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "diag/bounded_string.h"
#include "entry/media_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 3) return 0;
  const size_t capacity = data[0] % 64;
  const size_t split = data[1];
  const size_t filePartAt = data[2];
  data += 3;
  size -= 3;
  const size_t folderLength = size == 0 ? 0 : split % (size + 1);

  std::vector<char> path(capacity == 0 ? 1 : capacity, 'x');
  const std::string folder(reinterpret_cast<const char *>(data), folderLength);
  const std::string file(reinterpret_cast<const char *>(data) + folderLength, size - folderLength);
  if (capacity != 0) BoundedCopy(path.data(), capacity, folder.c_str());
  const std::string before(path.data(), strnlen(path.data(), path.size()));

  size_t length = 0;
  const int32_t joined = JoinWhole(path.data(), capacity, file.c_str());
  if (joined == kStrOk) {
    if (BoundedLength(path.data(), capacity, &length) != kStrOk) abort();
    if (std::string(path.data()) != before + std::string(file.c_str())) abort();
  } else if (capacity != 0 &&
             std::string(path.data(), strnlen(path.data(), path.size())) != before) {
    abort();
  }

  const char *filePart = path.data() + (filePartAt % (path.size() + 1));
  if (EndAtFilePart(path.data(), capacity, filePart) == kStrOk) {
    if (BoundedLength(path.data(), capacity, &length) != kStrOk) abort();
  }
  return 0;
}
