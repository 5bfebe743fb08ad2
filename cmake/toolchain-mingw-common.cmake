# What both Windows targets share; the including toolchain file sets KCOINST_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)
# The posix thread model: GoogleTest needs std::mutex (linked -static, nothing is imported for it).
set(CMAKE_C_COMPILER ${KCOINST_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KCOINST_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KCOINST_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KCOINST_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
