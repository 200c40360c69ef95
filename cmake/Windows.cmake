# The Windows program (product and test-hook builds), its Wine-run GoogleTest suite and the
# end-to-end tests that drive the real .exe under Xvfb + Wine.
enable_language(RC)

# 32-bit Windows keeps thread stacks only 4-byte aligned, while GCC assumes 16 and spills SSE
# registers with aligned moves: every function that needs more realigns its own frame.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
  add_compile_options(-mincoming-stack-boundary=2)
endif()

# The runtime is linked statically so the .exe runs alone on a bare system.
add_link_options(-static -static-libgcc -static-libstdc++)
# No link time in the header, so two builds of one commit give the same bytes (the release).
add_link_options(-Wl,--no-insert-timestamp)
# Program text is written in UTF-8 and handed to the ANSI API in the Japanese code page.
set(MASCOT_WIN32_FLAGS -fexec-charset=CP932)
set(MASCOT_WIN32_LIBS user32 gdi32 comctl32 comdlg32 shell32 shlwapi ole32 oleaut32 uuid strmiids winmm ws2_32 msimg32 winhttp)
# The program needs Windows 7 or later: it calls functions that Vista brought (GetTickCount64,
# InitOnceExecuteOnce) and uses the Vista-size notification-icon record, and Windows 7 is the
# oldest system we support. 0x0600 declares exactly those; nothing needs the 0x0601 headers.
set(MASCOT_WIN32_DEFS WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600 WINVER=0x0600 _WIN32_IE=0x0600)

file(GLOB MASCOT_WIN32_SOURCES CONFIGURE_DEPENDS ${MASCOT_SRC}/*/*_win32.cpp)
list(FILTER MASCOT_WIN32_SOURCES EXCLUDE REGEX "/main_win32\\.cpp$")

# Two builds of the Win32 glue: the product, and one with the test hooks (shifted clock,
# event trace) that the Wine and end-to-end tests drive. The product has no such hooks.
foreach(variant product hooks)
  add_library(mascot_win32_${variant} STATIC ${MASCOT_WIN32_SOURCES})
  target_include_directories(mascot_win32_${variant} PUBLIC ${MASCOT_SRC})
  target_compile_options(mascot_win32_${variant} PRIVATE ${MASCOT_WIN32_FLAGS})
  target_compile_definitions(mascot_win32_${variant} PUBLIC ${MASCOT_WIN32_DEFS})
  target_link_libraries(mascot_win32_${variant} PUBLIC mascot_core ${MASCOT_VORBIS_LIBS} ${MASCOT_WIN32_LIBS})
endforeach()
target_compile_definitions(mascot_win32_hooks PUBLIC MASCOT_TEST_HOOKS=1)

set(MASCOT_RC ${CMAKE_SOURCE_DIR}/resources/TarvoClock.rc)
add_executable(TarvoClock WIN32 ${MASCOT_SRC}/app/main_win32.cpp ${MASCOT_RC})
target_compile_options(TarvoClock PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(TarvoClock PRIVATE mascot_win32_product)
# The product carries no debug information: the libraries built from source packages would bring
# their build folder's path along, and the release must not depend on where it was built.
target_link_options(TarvoClock PRIVATE -s)
# The linker's map says which libraries the product took code from; every one of them must have
# its notice in NOTICE, which ships as LICENSE.txt.
target_link_options(TarvoClock PRIVATE -Wl,-Map=${CMAKE_BINARY_DIR}/TarvoClock.map)
find_program(MASCOT_PYTHON3 NAMES python3 REQUIRED)
add_test(NAME notices_cover_linked_libraries
         COMMAND ${MASCOT_PYTHON3} ${CMAKE_SOURCE_DIR}/scripts/check-notices.py
                 ${CMAKE_BINARY_DIR}/TarvoClock.map ${CMAKE_SOURCE_DIR}/NOTICE)

add_executable(TarvoClockTest WIN32 ${MASCOT_SRC}/app/main_win32.cpp ${MASCOT_RC})
target_compile_options(TarvoClockTest PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(TarvoClockTest PRIVATE mascot_win32_hooks)

# The test build must have no way to change the machine's clock (its clock-setting seam only
# moves its own test clock), and the product must keep its one: read both import tables.
add_test(NAME clock_setters_not_imported
         COMMAND sh -c "t=$(${CMAKE_OBJDUMP} -p '$<TARGET_FILE:TarvoClockTest>') && p=$(${CMAKE_OBJDUMP} -p '$<TARGET_FILE:TarvoClock>') && if printf '%s' \"$t\" | grep -E 'SetSystemTime|SetLocalTime'; then echo 'test build imports a clock setter'; exit 1; fi && printf '%s' \"$p\" | grep -q -w SetSystemTime || { echo 'product lacks SetSystemTime'; exit 1; }; echo 'import tables ok'")

# zlib is linked statically: the program must not ask for a zlib1.dll that is not beside it.
add_test(NAME zlib_linked_statically
         COMMAND sh -c "if ${CMAKE_OBJDUMP} -p '$<TARGET_FILE:TarvoClock>' | grep -i 'DLL Name: zlib'; then echo 'the program imports zlib'; exit 1; fi; echo 'no zlib import'")

# windres writes no dependency file: name everything the script pulls in, so a changed image,
# clip or included script rebuilds the resources.
# The manifest carries the version too, so it is made beside version.h.
configure_file(${CMAKE_SOURCE_DIR}/cmake/TarvoClock.manifest.in ${MASCOT_GENERATED}/TarvoClock.manifest @ONLY)
file(GLOB_RECURSE MASCOT_RC_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*)
set_source_files_properties(${MASCOT_RC} PROPERTIES
  COMPILE_FLAGS "-c 65001 -I ${CMAKE_SOURCE_DIR}/resources -I ${MASCOT_SRC} -I ${MASCOT_GENERATED}"
  OBJECT_DEPENDS "${MASCOT_RC_INPUTS};${MASCOT_GENERATED}/version.h;${MASCOT_GENERATED}/TarvoClock.manifest")

# GoogleTest for Windows, built from Debian's source package.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -Wno-error)
target_compile_options(gmock PRIVATE -Wno-error)

file(GLOB WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
# The codec round trip runs natively and again here, against our cross-built libraries.
add_executable(win32_tests ${WIN32_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/tests/unit/vorbis_roundtrip_test.cpp
               ${MASCOT_RC})
target_compile_options(win32_tests PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(win32_tests PRIVATE mascot_win32_hooks gtest gtest_main gmock version)
# The player tests play media made at test time, never kept in the tree.
set(MASCOT_TEST_MEDIA ${CMAKE_BINARY_DIR}/media)
add_test(NAME make_test_media COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/make-test-media.sh ${MASCOT_TEST_MEDIA})
# The Win32 suite requires one fixture, since discovered cases take no list of them: it is set up
# by the media and by the small disk below.
set_tests_properties(make_test_media PROPERTIES FIXTURES_SETUP "test_media;win32_suite")
# Discovery runs the executable, which needs Wine: do it when the tests run, not at build time.
# The longest case, 200 playbacks on two threads, takes under a minute alone; the limit leaves
# room for a busy machine.
# The save tests fill a small disk of their own, a 256 KiB tmpfs beside the program (the tests
# run as root; without the right to mount, the folder stays on the build's disk and the
# full-disk case reports itself skipped).
set(MASCOT_FULL_DISK ${CMAKE_BINARY_DIR}/full-disk)
add_test(NAME full_disk_mount
         COMMAND sh -c "mkdir -p '${MASCOT_FULL_DISK}' && { mountpoint -q '${MASCOT_FULL_DISK}' || mount -t tmpfs -o size=256k tmpfs '${MASCOT_FULL_DISK}' || true; }")
add_test(NAME full_disk_unmount
         COMMAND sh -c "! mountpoint -q '${MASCOT_FULL_DISK}' || umount '${MASCOT_FULL_DISK}'")
set_tests_properties(full_disk_mount PROPERTIES FIXTURES_SETUP win32_suite)
set_tests_properties(full_disk_unmount PROPERTIES FIXTURES_CLEANUP win32_suite)
gtest_discover_tests(win32_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                     PROPERTIES TIMEOUT 240 FIXTURES_REQUIRED win32_suite
                                ENVIRONMENT TARVO_TEST_MEDIA=${MASCOT_TEST_MEDIA})

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
  # The system's Python first: it sees the Debian packages the tests use (python3-pil).
  find_program(E2E_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(NOT E2E_PYTHON3)
    find_program(E2E_PYTHON3 NAMES python3 REQUIRED)
  endif()
  file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.py)
  foreach(t ${E2E_TESTS})
    get_filename_component(name ${t} NAME_WE)
    add_test(NAME e2e_${name}
             COMMAND ${E2E_PYTHON3} ${t} --exe $<TARGET_FILE:TarvoClockTest>
                     --product $<TARGET_FILE:TarvoClock> --wintool $<TARGET_FILE:wintool>
                     --probe $<TARGET_FILE:surface_probe>
                     --media-probe $<TARGET_FILE:media_probe> --media ${MASCOT_TEST_MEDIA})
    # Two cases run at once only when ctest is given tests/e2e/lanes.json (scripts/test.sh does):
    # each then has a lane of its own, that is a Wine prefix and a range of displays.
    set_tests_properties(e2e_${name} PROPERTIES TIMEOUT 300 RESOURCE_GROUPS wine_lanes:1)
    # The release case builds the product a second time, in folders of its own.
    if(name STREQUAL "test_release")
      set_tests_properties(e2e_${name} PROPERTIES TIMEOUT 1500)
    endif()
    if(name STREQUAL "test_media" OR name STREQUAL "test_alarms" OR name MATCHES "^test_player")
      set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED test_media)
    endif()
  endforeach()
endif()

# A program with a broken built-in clip, run by the clip player's tests to see it end.
add_executable(broken_clip ${CMAKE_SOURCE_DIR}/tests/win32/broken_clip/broken_clip.cpp
               ${CMAKE_SOURCE_DIR}/tests/win32/broken_clip/broken_clip.rc)
target_compile_options(broken_clip PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(broken_clip PRIVATE mascot_win32_hooks)
add_dependencies(win32_tests broken_clip)

# Our command-line helper for the end-to-end tests.
add_executable(wintool ${CMAKE_SOURCE_DIR}/tools/wintool/wintool.cpp)
target_compile_definitions(wintool PRIVATE ${MASCOT_WIN32_DEFS})
target_link_libraries(wintool PRIVATE user32 gdi32 shell32 winmm crypt32)

# Shows a known pattern through the surface code for the end-to-end pixel checks.
add_executable(surface_probe ${CMAKE_SOURCE_DIR}/tests/e2e/surface_probe.cpp ${MASCOT_RC})
target_compile_options(surface_probe PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(surface_probe PRIVATE mascot_win32_hooks)

# Plays one file through the media engine for the end-to-end checks of sound and picture.
add_executable(media_probe ${CMAKE_SOURCE_DIR}/tests/e2e/media_probe.cpp ${MASCOT_RC})
target_compile_options(media_probe PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(media_probe PRIVATE mascot_win32_hooks)

# The yardstick of scripts/measure-media.sh: plain DirectShow playback, no engine code.
add_executable(plain_player ${CMAKE_SOURCE_DIR}/tests/e2e/plain_player.cpp)
target_compile_definitions(plain_player PRIVATE ${MASCOT_WIN32_DEFS})
target_link_libraries(plain_player PRIVATE ole32 strmiids uuid user32)

# The yardstick of scripts/measure-idle.sh: a layered widget that repaints once a second.
add_executable(idle_widget ${CMAKE_SOURCE_DIR}/tests/e2e/idle_widget.cpp)
target_compile_definitions(idle_widget PRIVATE ${MASCOT_WIN32_DEFS})
target_link_libraries(idle_widget PRIVATE user32 gdi32)

# scripts/measure-push.sh: what one layered push costs by window size and dirty rectangle.
add_executable(push_cost ${CMAKE_SOURCE_DIR}/tests/e2e/push_cost.cpp)
target_compile_definitions(push_cost PRIVATE ${MASCOT_WIN32_DEFS})
target_link_libraries(push_cost PRIVATE user32 gdi32)

# scripts/measure-skin-scale.sh: a whole skin load at 1.5 and 2 against 1.
add_executable(skin_load_cost ${CMAKE_SOURCE_DIR}/tests/e2e/skin_load_cost.cpp ${MASCOT_RC})
target_compile_options(skin_load_cost PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(skin_load_cost PRIVATE mascot_win32_hooks)

# scripts/measure-playlist.sh: a list of 10,000 entries read as one section and key by key.
add_executable(list_load_cost ${CMAKE_SOURCE_DIR}/tests/e2e/list_load_cost.cpp)
target_compile_options(list_load_cost PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(list_load_cost PRIVATE mascot_win32_hooks)

# The feed transport against feed servers on loopback, which its wrapper starts and stops.
add_executable(feed_http_tests ${CMAKE_SOURCE_DIR}/tests/win32/feed_http/feed_http_test.cpp)
target_compile_options(feed_http_tests PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(feed_http_tests PRIVATE mascot_win32_hooks gtest crypt32 winhttp)
find_program(FEED_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
add_test(NAME feed_http
         COMMAND ${FEED_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/win32/feed_http/feed_servers.py
                 --wine-run ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh
                 --exe $<TARGET_FILE:feed_http_tests>)
set_tests_properties(feed_http PROPERTIES TIMEOUT 240)

# scripts/measure-feed-memory.sh: the feed check's memory over 100 checks of 2 MiB feeds.
add_executable(feed_memory_cost ${CMAKE_SOURCE_DIR}/tests/e2e/feed_memory_cost.cpp)
target_compile_options(feed_memory_cost PRIVATE ${MASCOT_WIN32_FLAGS})
target_link_libraries(feed_memory_cost PRIVATE mascot_win32_hooks crypt32 psapi)
