#include "actions/section_lines.h"

#include <cstring>

bool NextSectionLine(const char *buffer, size_t count, size_t *offset, const char **line,
                     size_t *length) {
  if (*offset >= count) return false;
  const char *start = buffer + *offset;
  const void *end = memchr(start, '\0', count - *offset);
  if (end == nullptr) return false;
  *line = start;
  *length = static_cast<size_t>(static_cast<const char *>(end) - start);
  *offset += *length + 1;
  return true;
}

int32_t ReadActionCode(const char *text) {
  const char *p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  uint32_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

ActionLine DecodeActionLine(const char *line) {
  const char *comma = strchr(line, ',');
  if (comma == nullptr) return ActionLine{false, 0, nullptr};
  return ActionLine{true, ReadActionCode(line), comma + 1};
}

bool MatchesKeyword(const char *argument, const char *keyword) {
  return strncmp(argument, keyword, strlen(keyword)) == 0;
}
