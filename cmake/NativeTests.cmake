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
  target_compile_definitions(benchmarks PRIVATE TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
                             MASCOT_RESOURCES_DIR="${CMAKE_SOURCE_DIR}/resources")
endif()

# Code that threads share, under ThreadSanitizer: a separate program, since TSan cannot be
# combined with the AddressSanitizer the rest of the native build uses.
file(GLOB RACE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/race/*.cpp)
file(GLOB RACE_CORE_SOURCES CONFIGURE_DEPENDS ${MASCOT_SRC}/settings/*.cpp)
list(FILTER RACE_CORE_SOURCES EXCLUDE REGEX "_win32\\.cpp$")
# The portable halves of what the clock thread, the UI thread and the worker hand over.
list(APPEND RACE_CORE_SOURCES ${MASCOT_SRC}/skin/catalogue.cpp ${MASCOT_SRC}/render/face_layout.cpp
     ${MASCOT_SRC}/render/face_scale.cpp ${MASCOT_SRC}/base/job_queue.cpp ${MASCOT_SRC}/news/feeds.cpp ${MASCOT_SRC}/news/feed_dates.cpp
     ${MASCOT_SRC}/news/ticker.cpp)
add_executable(race_tests ${RACE_TEST_SOURCES} ${RACE_CORE_SOURCES})
target_include_directories(race_tests PRIVATE ${MASCOT_SRC} ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(race_tests PRIVATE GTest::gtest GTest::gtest_main)
get_target_property(raceOptions race_tests COMPILE_OPTIONS)
list(FILTER raceOptions EXCLUDE REGEX "sanitize")
set_target_properties(race_tests PROPERTIES COMPILE_OPTIONS "${raceOptions};-fsanitize=thread"
                      LINK_OPTIONS "-fsanitize=thread")
gtest_discover_tests(race_tests DISCOVERY_TIMEOUT 60)

# Which Debian source copy the build takes, and the line that says how it stands against apt's.
add_test(NAME debian_source_version
         COMMAND ${CMAKE_COMMAND} -DWORK=${CMAKE_BINARY_DIR}/debian-source-test
                 -P ${CMAKE_SOURCE_DIR}/tests/cmake/debian_source_test.cmake)
# The parser under test is the one the program ships, built from Debian's source into the tests
# themselves: not the system's shared libexpat, whose functions stay undefined in the program.
add_test(NAME expat_from_debian_source
         COMMAND sh -c "nm '$<TARGET_FILE:unit_tests>' | grep ' T XML_ParserCreateNS$'")
