# The product's sources, relative to src/.
# Win32-free buffer and string work: also built natively (sanitizers, fuzzing).
set(KCOINST_PORTABLE_SOURCES
  diag/bounded_string.cpp
  entry/media_path.cpp
  actions/section_lines.cpp
  actions/registration_path.cpp
  actions/registry_path.cpp
  actions/filter_list.cpp
)
# Everything that needs Windows.
set(KCOINST_WIN32_SOURCES
  diag/tracked_alloc.cpp
  diag/log.cpp
  actions/ini_section.cpp
  actions/system_paths.cpp
  actions/component_registration.cpp
  actions/filter_services.cpp
  actions/system_actions.cpp
  entry/install_context.cpp
  entry/coinstaller.cpp
  entry/setup_entry.cpp
)
# System libraries the DLL imports from, besides msvcrt.dll.
set(KCOINST_SYSTEM_LIBS setupapi advapi32 shlwapi shell32 ole32 version user32 kernel32)
