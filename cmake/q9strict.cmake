# The batch converter, built beside the interactive program from the same library.
find_package(CLI11 CONFIG REQUIRED)
find_path(Q9_DTL_INCLUDE_DIR dtl/dtl.hpp REQUIRED)

# The unified diff in the library uses dtl; SYSTEM keeps our warning flags off its headers.
target_include_directories(q9 SYSTEM PRIVATE ${Q9_DTL_INCLUDE_DIR})

add_executable(q9strict src/q9strict.cc)
target_link_libraries(q9strict PRIVATE q9 CLI11::CLI11)
target_compile_definitions(q9strict PRIVATE Q9_VERSION="${PROJECT_VERSION}")

if(TARGET q9_tests)
  target_compile_definitions(q9_tests PRIVATE Q9_BATCH_PROGRAM="$<TARGET_FILE:q9strict>")
  add_dependencies(q9_tests q9strict)
endif()
