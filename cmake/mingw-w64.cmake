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

# rq27_wine_emulator(LOADER): CTest and gtest_discover_tests run the test executables
# through Wine's LOADER, with address randomisation off where the system allows it. Wine
# maps Windows' shared user data at 0x7ffe0000, and the kernel places the 64-bit loader's
# heap at random up to about 1 GB past the loader: once in some thousands of starts it
# covers that page and the program ends before it starts. Without randomisation the heap
# follows the loader, every time.
function(rq27_wine_emulator loader)
  execute_process(COMMAND uname -m OUTPUT_VARIABLE machine OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE uname_rc ERROR_QUIET)
  set(setarch_rc 1)
  if(uname_rc EQUAL 0)
    execute_process(COMMAND setarch ${machine} -R true RESULT_VARIABLE setarch_rc
                    OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(setarch_rc EQUAL 0)
    set(CMAKE_CROSSCOMPILING_EMULATOR setarch ${machine} -R ${loader} PARENT_SCOPE)
  else()
    get_property(noted GLOBAL PROPERTY RQ27_SETARCH_REFUSED)
    if(NOT noted)
      message(STATUS "setarch -R is refused here: the tests run under Wine with address "
                     "randomisation")
      set_property(GLOBAL PROPERTY RQ27_SETARCH_REFUSED ON)
    endif()
    set(CMAKE_CROSSCOMPILING_EMULATOR ${loader} PARENT_SCOPE)
  endif()
endfunction()

# Everything links statically, so the programs need no MinGW runtime DLLs on a bare Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
