# Native GoogleTest suite over the portable code, and our command-line tools.
include(cmake/Tools.cmake)
find_package(GTest REQUIRED)
file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(unit_tests PRIVATE mascot_core ${MASCOT_VORBIS_LIBS}
                      GTest::gtest GTest::gtest_main GTest::gmock)
target_include_directories(unit_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit)
target_compile_definitions(unit_tests PRIVATE TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
                           MASCOT_RESOURCES_DIR="${CMAKE_SOURCE_DIR}/resources")
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)
# The KPZ round-trip tests encode with our asset tool's library.
target_link_libraries(unit_tests PRIVATE kpz_writer)

find_package(benchmark QUIET)
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*.cpp)
if(benchmark_FOUND AND BENCH_SOURCES)
  add_executable(benchmarks ${BENCH_SOURCES})
  target_link_libraries(benchmarks PRIVATE mascot_core benchmark::benchmark benchmark::benchmark_main
                        kpz_writer)
  target_compile_definitions(benchmarks PRIVATE TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
endif()
