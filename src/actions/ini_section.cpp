#include "actions/ini_section.h"

// Placeholder until the interpreter lands: reads nothing and reports that.
int32_t ProcessIniSection(InstallContext *, const char *) { return 0; }
