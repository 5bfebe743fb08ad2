# Test executables that run under Wine, each process as the Windows version given to it
# (Wine's per-application AppDefaults\<exe>\Version, imported into the test prefix).
include(GoogleTest)

# kcoinst_wine_test(<target> VERSION <nt40|win2k|winxp|vista|win7> SOURCES ... [LIBS ...])
function(kcoinst_wine_test target)
  cmake_parse_arguments(T "" "VERSION" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${T_SOURCES})
  target_link_libraries(${target} PRIVATE kcoinst_test_support ${T_LIBS})
  target_compile_options(${target} PRIVATE ${KCOINST_WARNINGS})
  target_link_options(${target} PRIVATE -static)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  set_property(GLOBAL APPEND PROPERTY KCOINST_APPDEFAULTS "${target}.exe=${T_VERSION}")
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    TEST_PREFIX "${target}." PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 120)
endfunction()

# A Windows program that tests start (not itself a test).
function(kcoinst_wine_program target)
  add_executable(${target} ${ARGN})
  target_compile_options(${target} PRIVATE ${KCOINST_WARNINGS})
  target_link_options(${target} PRIVATE -static)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

# A Windows DLL that tests load or hand to a program (not itself a test); exports from a .def.
function(kcoinst_wine_module target)
  add_library(${target} SHARED ${ARGN})
  target_compile_options(${target} PRIVATE ${KCOINST_WARNINGS})
  target_link_options(${target} PRIVATE -static)
  set_target_properties(${target} PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

# Writes the AppDefaults of every test executable and the fixture that boots the prefix,
# starts a persistent wineserver and imports them.
function(kcoinst_wine_fixture)
  get_property(entries GLOBAL PROPERTY KCOINST_APPDEFAULTS)
  set(reg "REGEDIT4\n\n")
  foreach(entry IN LISTS entries)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 exe)
    list(GET pair 1 version)
    string(APPEND reg "[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\${exe}]\n\"Version\"=\"${version}\"\n\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/appdefaults.reg "${reg}")
  add_test(NAME wine_prefix_setup
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix)
endfunction()
