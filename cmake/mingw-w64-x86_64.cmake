# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix threads) and runs the test
# programs under wine.
set(KEZ_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
