# The Windows build (cmake/mingw-w64-x86_64.cmake cross-builds it on Debian).
# Units that speak POSIX are left out here and replaced by a *_win.cc beside
# them; the *_win.cc files compile to nothing on other systems.
if(NOT WIN32)
  return()
endif()

set(Q9_POSIX_ONLY_SOURCES
    ${CMAKE_SOURCE_DIR}/src/console/key_read.cc
    ${CMAKE_SOURCE_DIR}/src/console/console_input.cc
    ${CMAKE_SOURCE_DIR}/src/batch/backup.cc
    ${CMAKE_SOURCE_DIR}/src/batch/command_line.cc
    ${CMAKE_SOURCE_DIR}/src/batch/own_console.cc)
get_target_property(Q9_WIN_SOURCES q9 SOURCES)
list(REMOVE_ITEM Q9_WIN_SOURCES ${Q9_POSIX_ONLY_SOURCES})
set_target_properties(q9 PROPERTIES SOURCES "${Q9_WIN_SOURCES}")
target_link_libraries(q9 PUBLIC shell32)  # CommandLineToArgvW

# Unit tests for the target, with GoogleTest built from source (Debian's
# googletest package ships it in /usr/src/googletest). The end-to-end tests in
# tests/ drive the programs through fork and a pseudo-terminal and are left
# out, as are unit tests built on POSIX file calls (modes, owners, FIFOs, fork);
# tests/wine/run.sh runs both programs end to end instead.
set(Q9_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows tests")
if(TARGET q9_tests OR NOT EXISTS ${Q9_GTEST_SOURCE_DIR}/CMakeLists.txt)
  return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${Q9_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Our warning flags are for our code; GoogleTest is built as it ships.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "")

file(GLOB_RECURSE Q9_WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*_test.cc)
list(FILTER Q9_WIN_TEST_SOURCES EXCLUDE REGEX
     "/src/(linestore/line_store|batch/backup|batch/convert_job|batch/file_walk)_test\\.cc$")
# The script model some unit tests judge with.
file(GLOB Q9_WIN_MODEL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/model/*.cc)
list(FILTER Q9_WIN_MODEL_SOURCES EXCLUDE REGEX "_test\\.cc$")
add_executable(q9_tests ${Q9_WIN_TEST_SOURCES} ${Q9_WIN_MODEL_SOURCES})
target_include_directories(q9_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(q9_tests PRIVATE q9 gtest gtest_main)
enable_testing()
# Through CMAKE_CROSSCOMPILING_EMULATOR (Wine) when cross-built.
add_test(NAME q9_tests COMMAND q9_tests --gtest_brief=1)
