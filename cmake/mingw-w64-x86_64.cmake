# Cross-builds the Windows programs (64-bit) on Debian with MinGW-w64:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Needs g++-mingw-w64-x86-64. The posix threads variant of the compiler is used
# so that std::thread works. Programs are linked statically: they run without
# any DLL beside them. With Wine installed, tests run through it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(Q9_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${Q9_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${Q9_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${Q9_MINGW_TRIPLE}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# GCC 12 reports a false -Wrestrict inside std::string's operator+ at -O3 (GCC
# bug 105651); the warning is kept everywhere else.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# The build machine's header-only CLI11 serves the target as it is. It is
# mirrored into a folder of its own: putting /usr/include itself on the
# search path would bring in the build machine's C library.
set(Q9_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(library CLI)
  if(EXISTS /usr/include/${library} AND NOT EXISTS ${Q9_HOST_HEADERS}/include/${library})
    file(MAKE_DIRECTORY ${Q9_HOST_HEADERS}/include)
    file(CREATE_LINK /usr/include/${library} ${Q9_HOST_HEADERS}/include/${library} SYMBOLIC)
  endif()
endforeach()
if(EXISTS /usr/include/CLI/CLI.hpp)
  file(WRITE ${Q9_HOST_HEADERS}/lib/cmake/CLI11/CLI11Config.cmake
       "if(NOT TARGET CLI11::CLI11)\n"
       "  add_library(CLI11::CLI11 INTERFACE IMPORTED)\n"
       "  set_target_properties(CLI11::CLI11 PROPERTIES\n"
       "    INTERFACE_INCLUDE_DIRECTORIES \"${Q9_HOST_HEADERS}/include\")\n"
       "endif()\n")
  set(CLI11_DIR ${Q9_HOST_HEADERS}/lib/cmake/CLI11)
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${Q9_MINGW_TRIPLE} ${Q9_HOST_HEADERS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The host's test set-up (the system's GoogleTest, end-to-end tests through
# fork and a pseudo-terminal) does not fit this target; cmake/windows.cmake
# builds the unit tests for it from GoogleTest's sources instead.
set(Q9_BUILD_TESTS OFF CACHE BOOL "Build the test binary (host set-up)")

# Debian's wine64 package puts its loader outside PATH.
find_program(Q9_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(Q9_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${Q9_WINE})
endif()
