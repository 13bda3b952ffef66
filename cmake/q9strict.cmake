# The batch converter, built beside the interactive program from the same library.
find_package(CLI11 CONFIG REQUIRED)

add_executable(q9strict src/q9strict.cc)
target_link_libraries(q9strict PRIVATE q9 CLI11::CLI11)
target_compile_definitions(q9strict PRIVATE Q9_VERSION="${PROJECT_VERSION}")

if(TARGET q9_tests)
  target_compile_definitions(q9_tests PRIVATE Q9_BATCH_PROGRAM="$<TARGET_FILE:q9strict>")
  add_dependencies(q9_tests q9strict)
endif()
