# libFuzzer targets (clang only), built with ORMALIX_FUZZ=ON. Coverage instrumentation goes on
# our own code only: the framework is large and its paths are not what the fuzzers explore.
# Pair with ORMALIX_SANITIZE=address,undefined so that memory faults and undefined behaviour stop
# a run; scripts/fuzz configures such a build.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "ORMALIX_FUZZ needs clang (libFuzzer), e.g. CXX=clang++ CC=clang")
endif()

target_compile_options(ormalix_core PRIVATE -fsanitize=fuzzer-no-link)

set(ORMALIX_FUZZERS "")
file(GLOB fuzz_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fuzz/*.cpp)
foreach(src ${fuzz_sources})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ormalix_core)
  list(APPEND ORMALIX_FUZZERS ${name})
endforeach()
add_custom_target(fuzzers DEPENDS ${ORMALIX_FUZZERS})
