// Walks arbitrary section buffers and decodes every line as the interpreter does: no read
// may leave the buffer, and every line must end before the count.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "actions/section_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The buffer is exactly the input; the count never exceeds it.
  std::vector<char> buffer(data, data + size);
  const size_t count = size;
  size_t offset = 0;
  const char *line;
  size_t length;
  while (NextSectionLine(buffer.data(), count, &offset, &line, &length)) {
    if (line + length >= buffer.data() + count || *(line + length) != '\0') abort();
    if (offset > count) abort();
    std::vector<char> copy(line, line + length + 1);
    const ActionLine action = DecodeActionLine(copy.data());
    if (action.HasComma != (strchr(copy.data(), ',') != nullptr)) abort();
    if (action.HasComma) {
      if (action.Argument[-1] != ',') abort();
      MatchesKeyword(action.Argument, "NO_ZADezozez");
      MatchesKeyword(action.Argument, "DisableUnsafeDialog");
    }
  }
  return 0;
}
