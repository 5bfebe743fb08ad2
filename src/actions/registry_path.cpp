#include "actions/registry_path.h"

#include <cstring>

char *SplitRegistryPath(char *text) {
  char *last = strrchr(text, '\\');
  if (last == nullptr) return nullptr;
  *last = '\0';
  return last + 1;
}
