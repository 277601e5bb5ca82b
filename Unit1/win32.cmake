# rq27.exe: the Win32 dialog over the same handlers as the console front end.
# Included from Unit1/CMakeLists.txt when building for Windows.
enable_language(RC)

add_executable(rq27 WIN32 main-win32.cc platform-win32.cc busy_messages-win32.cc rq27.rc)
target_link_libraries(rq27 PRIVATE Unit1 comctl32)
set(RQ27_WIN32_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_compile_definitions(rq27 PRIVATE ${RQ27_WIN32_DEFINITIONS})
# -municode: wWinMain as the entry; only here, the test executables keep gtest's main().
target_compile_options(rq27 PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-municode>)
target_link_options(rq27 PRIVATE -municode -mwindows $<$<CONFIG:Release,MinSizeRel>:-s>)

# The architecture: the manifest names it (Windows does not start a program whose manifest
# names another). The 32-bit program may use the 4 GB of address space that 64-bit Windows
# gives it (3 GB where 32-bit Windows is set up so): a large drawing needs about three times
# the file's size in memory.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(RQ27_MANIFEST_ARCH x86)
  target_link_options(rq27 PRIVATE LINKER:--large-address-aware)
else()
  set(RQ27_MANIFEST_ARCH amd64)
endif()

# The version information and the manifest take the project's version.
set_property(SOURCE rq27.rc APPEND PROPERTY COMPILE_DEFINITIONS
             RQ27_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
             RQ27_VERSION_MINOR=${PROJECT_VERSION_MINOR}
             RQ27_VERSION_PATCH=${PROJECT_VERSION_PATCH})
set(RQ27_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
configure_file(rq27.manifest.in ${CMAKE_CURRENT_BINARY_DIR}/rq27.exe.manifest @ONLY)
target_include_directories(rq27 PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
set_property(SOURCE rq27.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_CURRENT_BINARY_DIR}/rq27.exe.manifest
             ${CMAKE_CURRENT_SOURCE_DIR}/rq27.ico
             ${CMAKE_CURRENT_SOURCE_DIR}/resource.h)

# The dialog's Windows-only rules, tested under Wine through ctest.
if(RQ27_TESTS)
  rq27_add_test(Unit1_win32_test busy_messages-win32_test.cc busy_messages-win32.cc)
  target_include_directories(Unit1_win32_test PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(Unit1_win32_test PRIVATE ${RQ27_WIN32_DEFINITIONS})
endif()
