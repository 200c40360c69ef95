# Our native command-line tools: every tools/<name>/ with a CMakeLists.txt of its own.
file(GLOB MASCOT_TOOL_LISTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*/CMakeLists.txt)
foreach(list ${MASCOT_TOOL_LISTS})
  get_filename_component(dir ${list} DIRECTORY)
  add_subdirectory(${dir})
endforeach()
