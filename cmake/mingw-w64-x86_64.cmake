# Cross build for 64-bit Windows with Debian's MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RQ27_MINGW_TARGET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# CTest and gtest_discover_tests run the test executables through Wine: its 64-bit loader
# where there is one, since "wine" with Wine's 32-bit half installed starts a 64-bit program
# through a second process.
if(EXISTS /usr/lib/wine/wine64)
  rq27_wine_emulator(/usr/lib/wine/wine64)
else()
  rq27_wine_emulator(wine)
endif()
