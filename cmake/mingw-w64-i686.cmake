# Cross build for 32-bit Windows with Debian's MinGW-w64. The programs run on 32-bit Windows
# and, through WOW64, on 64-bit Windows; here under Wine's 32-bit half (package wine32:i386).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(RQ27_MINGW_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# "wine" starts a 32-bit program with the 32-bit loader, as its own process.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
