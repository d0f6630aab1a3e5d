# Cross-compiling the Windows build with MinGW-w64 (Debian's g++-mingw-w64-x86-64-posix).
# The -posix compilers use the POSIX thread model: the default win32 one has no std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(UPDATE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${UPDATE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UPDATE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${UPDATE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UPDATE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything static: libstdc++, libgcc, winpthread and zlib live in the executable, so no DLL
# lies beside it. Only -static-libgcc -static-libstdc++ would still import libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# find_package(ZLIB) would take the DLL's import library even with -static.
set(ZLIB_USE_STATIC_LIBS ON)

# Tests and tools run under Wine's 64-bit loader, in the private prefix of the test run
# (tests/tools/wine_run.sh). Tests are listed when ctest runs, not at build time, so that the
# build itself never starts Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/tools/wine_run.sh)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
