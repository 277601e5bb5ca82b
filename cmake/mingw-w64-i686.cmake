# Cross build for 32-bit Windows with Debian's MinGW-w64. The programs run on 32-bit Windows
# and, through WOW64, on 64-bit Windows; here under Wine's 32-bit half (package wine32:i386).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(RQ27_MINGW_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# "wine" starts a 32-bit program with the 32-bit loader, as its own process.
rq27_wine_emulator(wine)

# Floating point in SSE2 registers, as in 64-bit programs. GCC's default for 32-bit code is
# the x87 unit, which rounds to 64 bits of mantissa first and to a double only when storing:
# some numbers of the file (16 digits ending in 5, say) were then read one unit in the last
# place off and written with another fifteenth digit than the 64-bit program writes. SSE2
# is in every x86 processor since the Pentium 4 and the Athlon 64; Windows 8 and later
# require it. (With SSE, MinGW's GCC realigns the stack where Windows calls in.)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
