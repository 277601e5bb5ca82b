# What the toolchain files of both Windows targets share: Debian's MinGW-w64 for the
# target named by RQ27_MINGW_TARGET (x86_64-w64-mingw32 or i686-w64-mingw32), posix thread
# model (GoogleTest needs std::mutex and std::thread, which the win32 model of GCC 12 lacks),
# everything linked statically.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${RQ27_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RQ27_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${RQ27_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RQ27_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything links statically, so the programs need no MinGW runtime DLLs on a bare Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
