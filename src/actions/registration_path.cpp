#include "actions/registration_path.h"

#include <cstring>

namespace {

// Tested in this order: a path holding both kinds is a module.
const char *const kModuleMarks[] = {"DLL", "dll", "ax", "AX"};
const char *const kExecutableMarks[] = {"EXE", "exe"};

bool HoldsAny(const char *text, const char *const *marks, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (strstr(text, marks[i]) != nullptr) return true;
  }
  return false;
}

}  // namespace

RegistrationKind ClassifyRegistrationPath(const char *path) {
  const char *dot = strchr(path, '.');
  if (dot == nullptr) return RegistrationKind::None;
  if (HoldsAny(dot, kModuleMarks, sizeof(kModuleMarks) / sizeof(kModuleMarks[0]))) {
    return RegistrationKind::Module;
  }
  if (HoldsAny(dot, kExecutableMarks, sizeof(kExecutableMarks) / sizeof(kExecutableMarks[0]))) {
    return RegistrationKind::Executable;
  }
  return RegistrationKind::None;
}

void DirectoryPart(const char *path, char *dest, size_t capacity) {
  if (capacity == 0) return;
  const char *last = strrchr(path, '\\');
  const size_t length = last == nullptr ? 0 : static_cast<size_t>(last - path);
  const size_t taken = length < capacity - 1 ? length : capacity - 1;
  memcpy(dest, path, taken);
  dest[taken] = '\0';
}
