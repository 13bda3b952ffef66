# libFuzzer targets over the line store and the whole conversion (with and
# without warnings). Built only with
# -DQ9_FUZZ=ON and clang, in a build folder of their own (./dev fuzz uses
# build-fuzz): the library is then instrumented for coverage and checked by
# AddressSanitizer and UndefinedBehaviorSanitizer, which every program linking it
# inherits.
option(Q9_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(Q9_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(WARNING "Q9_FUZZ needs clang (configure with CXX=clang++); no fuzz targets built")
  else()
    set(Q9_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all)
    target_compile_options(q9 PUBLIC -fsanitize=fuzzer-no-link ${Q9_FUZZ_SANITIZERS}
                                     -fno-omit-frame-pointer)
    target_link_options(q9 PUBLIC ${Q9_FUZZ_SANITIZERS})
    foreach(name line_store convert convert_warnings)
      add_executable(q9_fuzz_${name} ${CMAKE_SOURCE_DIR}/fuzz/${name}_fuzz.cc)
      target_link_libraries(q9_fuzz_${name} PRIVATE q9)
      target_link_options(q9_fuzz_${name} PRIVATE -fsanitize=fuzzer)
    endforeach()
  endif()
endif()
