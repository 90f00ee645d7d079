# What both Windows toolchain files share; they set KEZ_MINGW_ARCH (i686 or x86_64) first.
# scripts/windows-build passes the folder of the Windows libraries it built as KEZ_WINDOWS_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KEZ_MINGW_ARCH})

set(CMAKE_C_COMPILER ${KEZ_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEZ_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${KEZ_MINGW_ARCH}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KEZ_MINGW_ARCH}-w64-mingw32 $ENV{KEZ_WINDOWS_PREFIX}
                         ${KEZ_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe each: no mingw runtime DLLs to ship beside it (the Qt programs are the
# exception: cmake/KezWindowsRuntime.cmake).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
