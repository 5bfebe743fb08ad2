# Test executables that run under Wine, each process as the Windows version given to it
# (Wine's per-application AppDefaults\<exe>\Version, imported into the test prefix).
#
# The x64 build runs every test executable under Wine on this machine. The x86 build runs
# those marked X86 (the tests of the real DLL through its exports) under 32-bit Wine in an
# emulated machine (scripts/x86-guest), all in one boot; the others are not built there.
include(GoogleTest)

# kcoinst_wine_test(<target> VERSION <nt40|win2k|winxp|vista|win7> [X86] SOURCES ... [LIBS ...])
function(kcoinst_wine_test target)
  cmake_parse_arguments(T "X86" "VERSION" "SOURCES;LIBS" ${ARGN})
  set(only_on_request)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT T_X86)
    set(only_on_request EXCLUDE_FROM_ALL)
  endif()
  add_executable(${target} ${only_on_request} ${T_SOURCES})
  target_link_libraries(${target} PRIVATE kcoinst_test_support ${T_LIBS})
  target_compile_options(${target} PRIVATE ${KCOINST_WARNINGS})
  target_link_options(${target} PRIVATE -static)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  set_property(GLOBAL APPEND PROPERTY KCOINST_APPDEFAULTS "${target}.exe=${T_VERSION}")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    if(T_X86)
      set_property(GLOBAL APPEND PROPERTY KCOINST_X86_TESTS ${target})
    endif()
    return()
  endif()
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
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The .def names the stdcall exports undecorated, as COM and regsvr32 look them up.
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
endfunction()

# Writes the AppDefaults of every test executable and the fixture that readies Wine: on x64
# it boots the prefix, starts a persistent wineserver and imports them; on x86 it builds or
# reuses the emulated machine and runs every X86 executable in one boot, and each
# executable's result is then a test of its own (label x86_guest).
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

  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    get_property(x86_tests GLOBAL PROPERTY KCOINST_X86_TESTS)
    if(NOT x86_tests)
      return()
    endif()
    set(guest ${PROJECT_SOURCE_DIR}/scripts/x86-guest)
    add_test(NAME x86_guest_run
      COMMAND bash ${guest}/run-tests.sh ${CMAKE_BINARY_DIR} ${x86_tests})
    # The first run builds the machine from Debian packages (a few minutes).
    set_tests_properties(x86_guest_run PROPERTIES FIXTURES_SETUP x86_guest
      LABELS x86_guest TIMEOUT 3600 RUN_SERIAL ON)
    foreach(target IN LISTS x86_tests)
      add_test(NAME x86_guest.${target}
        COMMAND bash ${guest}/report.sh ${CMAKE_BINARY_DIR} ${target})
      set_tests_properties(x86_guest.${target} PROPERTIES FIXTURES_REQUIRED x86_guest
        LABELS x86_guest)
    endforeach()
    return()
  endif()

  add_test(NAME wine_prefix_setup
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix)
endfunction()
