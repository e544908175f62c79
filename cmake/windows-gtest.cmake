# GoogleTest for the Windows build. Debian ships no mingw-w64 build of it, so
# its sources (/usr/src/googletest, from libgtest-dev) are compiled with the
# cross toolchain as part of this build. The package is declared to
# find_package() as well, so find_package(GTest) anywhere in the project finds
# these targets (GTest::gtest, GTest::gtest_main) instead of the host's.
include(FetchContent)

set(KOBARU_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to cross-compile")
set(BUILD_GMOCK OFF)
set(INSTALL_GTEST OFF)
FetchContent_Declare(GTest SOURCE_DIR ${KOBARU_GTEST_SOURCE_DIR} OVERRIDE_FIND_PACKAGE)
FetchContent_MakeAvailable(GTest)
