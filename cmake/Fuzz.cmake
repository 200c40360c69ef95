# One libFuzzer executable per tests/fuzz/fuzz_<name>.cpp; ctest runs each over its seed corpus
# (tests/fuzz/corpus/<name>) and then for a bounded number of fresh inputs.
set(FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
target_compile_options(mascot_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(src ${FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" corpus ${name})
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${FUZZ_FLAGS})
  target_link_options(${name} PRIVATE ${FUZZ_FLAGS})
  target_link_libraries(${name} PRIVATE mascot_core)
  set(corpusDir ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${corpus})
  set(workDir ${CMAKE_BINARY_DIR}/fuzz-work/${corpus})
  add_test(NAME ${name}
           COMMAND sh -c "mkdir -p '${workDir}' && exec '$<TARGET_FILE:${name}>' -runs=20000 -max_total_time=20 -timeout=5 -rss_limit_mb=1024 '${workDir}' '${corpusDir}'")
endforeach()
