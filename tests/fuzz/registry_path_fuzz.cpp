// Splits arbitrary registry path texts: the value name must follow the key path inside the
// text, and a text without a backslash must stay as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "actions/registry_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  const std::vector<char> before = text;
  const char *value = SplitRegistryPath(text.data());
  if (value == nullptr) {
    if (text != before || strchr(text.data(), '\\') != nullptr) abort();
    return 0;
  }
  if (value <= text.data() || value > text.data() + strlen(before.data())) abort();
  if (value[-1] != '\0' || strchr(value, '\\') != nullptr) abort();
  return 0;
}
