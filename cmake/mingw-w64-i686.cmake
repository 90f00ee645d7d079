# Cross-compiles for 32-bit Windows with Debian's mingw-w64 (posix threads) and runs the test
# programs under wine.
set(KEZ_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
