# Cross build of the Windows program on Linux with mingw-w64 (64-bit, posix
# threads). Everything is linked statically, so kobaru.exe needs no DLL beyond
# the ones every Windows system has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KOBARU_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOBARU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOBARU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KOBARU_MINGW_TRIPLE}-windres)
set(KOBARU_WINDRES ${KOBARU_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOBARU_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc, libstdc++ or winpthread DLL beside the executables.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The test executables cannot run on the build machine, so their test lists
# are read when the tests run (under Wine), not after linking.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
