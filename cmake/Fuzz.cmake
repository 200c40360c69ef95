# One libFuzzer executable per tests/fuzz/fuzz_<name>.cpp; ctest runs each over its seed corpus
# (tests/fuzz/corpus/<name>) and then for a bounded number of fresh inputs.
set(FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
target_compile_options(mascot_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
# Longest input each target is given: room for the largest thing its parser accepts (the
# catalogue's 8 KB contents, a full play list line by line), not more.
set(FUZZ_MAX_LEN_catalogue 20000)
set(FUZZ_MAX_LEN_kpz 8192)
set(FUZZ_MAX_LEN_media_rules 2048)
set(FUZZ_MAX_LEN_package 8192)
set(FUZZ_MAX_LEN_play_list 65536)
set(FUZZ_MAX_LEN_settings_file 16384)
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(src ${FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" corpus ${name})
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${FUZZ_FLAGS})
  target_link_options(${name} PRIVATE ${FUZZ_FLAGS})
  target_link_libraries(${name} PRIVATE mascot_core)
  set(maxLen 4096)
  if(DEFINED FUZZ_MAX_LEN_${corpus})
    set(maxLen ${FUZZ_MAX_LEN_${corpus}})
  endif()
  set(corpusDir ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${corpus})
  set(workDir ${CMAKE_BINARY_DIR}/fuzz-work/${corpus})
  add_test(NAME ${name}
           COMMAND sh -c "mkdir -p '${workDir}' && exec '$<TARGET_FILE:${name}>' -runs=20000 -max_total_time=20 -max_len=${maxLen} -timeout=5 -rss_limit_mb=1024 '${workDir}' '${corpusDir}'")
endforeach()
