# expat, the XML parser of URL feeds, built from Debian's expat source package in every build:
# cross-built for the Windows targets, and compiled with our own flags natively, so that the unit
# tests and the fuzzers run the very source the program ships. Sets MASCOT_EXPAT_LIBS, and writes
# which version was built, against the one apt names, to expat-source.txt in the build folder.

include(${CMAKE_CURRENT_LIST_DIR}/DebianSource.cmake)

# Debian ships expat's repository: the library lies in expat/ without a generated configure
# script, which Debian's build makes with expat's buildconf.sh (autoconf, automake, libtool).
find_program(MASCOT_BASH bash REQUIRED)
mascot_fetch_debian_source(expat _mascotExpatSource PREPARE_DIR expat
                           PREPARE ${MASCOT_BASH} ./buildconf.sh)
file(WRITE "${CMAKE_BINARY_DIR}/expat-source.txt" "${_mascotExpatSource_SUMMARY}\n")

# Only the library: its command-line tool, examples, tests and manual page are not ours to ship.
set(_mascotExpatOptions --without-xmlwf --without-examples --without-tests --without-docbook)

if(NOT WIN32)
  # expat's own configure script, run natively, writes the same expat_config.h as for Windows
  # (context bytes, DTD and namespace support, the entropy source) for this compiler. It runs
  # again only when the source copy or the compiler changes.
  set(_mascotExpatConfig "${CMAKE_BINARY_DIR}/_deps/expat-config")
  set(_mascotExpatStamp "${_mascotExpatSource};${CMAKE_C_COMPILER}")
  set(_mascotExpatOldStamp "")
  if(EXISTS "${_mascotExpatConfig}/stamp")
    file(READ "${_mascotExpatConfig}/stamp" _mascotExpatOldStamp)
  endif()
  if(NOT EXISTS "${_mascotExpatConfig}/expat_config.h"
     OR NOT _mascotExpatOldStamp STREQUAL _mascotExpatStamp)
    file(REMOVE_RECURSE "${_mascotExpatConfig}")
    file(MAKE_DIRECTORY "${_mascotExpatConfig}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env
                            --unset=CFLAGS --unset=CPPFLAGS --unset=LDFLAGS --unset=LIBS
                            ${MASCOT_SH} "${_mascotExpatSource}/expat/configure"
                            ${_mascotExpatOptions} CC=${CMAKE_C_COMPILER}
                    WORKING_DIRECTORY "${_mascotExpatConfig}"
                    OUTPUT_VARIABLE _mascotLog ERROR_VARIABLE _mascotLog
                    RESULT_VARIABLE _mascotResult)
    if(NOT _mascotResult EQUAL 0 OR NOT EXISTS "${_mascotExpatConfig}/expat_config.h")
      message(FATAL_ERROR "Configuring expat natively failed:\n${_mascotLog}")
    endif()
    file(WRITE "${_mascotExpatConfig}/stamp" "${_mascotExpatStamp}")
  endif()

  set(_mascotExpatLib "${_mascotExpatSource}/expat/lib")
  add_library(mascot_expat STATIC ${_mascotExpatLib}/xmlparse.c ${_mascotExpatLib}/xmlrole.c
                                  ${_mascotExpatLib}/xmltok.c)
  target_include_directories(mascot_expat PRIVATE "${_mascotExpatConfig}")
  target_include_directories(mascot_expat SYSTEM PUBLIC "${_mascotExpatLib}")
  # The sanitizers stay; our warning flags are for our code, as in the cross-build.
  get_target_property(_mascotExpatFlags mascot_expat COMPILE_OPTIONS)
  list(FILTER _mascotExpatFlags EXCLUDE REGEX "^-W")
  set_target_properties(mascot_expat PROPERTIES COMPILE_OPTIONS "${_mascotExpatFlags}")
  # The fuzzers steer by the parser's branches as much as by ours.
  if(MASCOT_FUZZ)
    target_compile_options(mascot_expat PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  endif()
  add_library(Expat::expat ALIAS mascot_expat)
  set(MASCOT_EXPAT_LIBS Expat::expat)
  return()
endif()

include(ExternalProject)

set(_mascotExpatPrefix "${CMAKE_BINARY_DIR}/_deps/expat-install")
mascot_cross_configure_command("${_mascotExpatSource}/expat/conftools/config.guess"
                               "${_mascotExpatPrefix}" _mascotExpatConfigure)

# Installing is part of the build step, and so is cleaning, as for libogg.
ExternalProject_Add(mascot_expat
  PREFIX ${CMAKE_BINARY_DIR}/_deps/expat
  SOURCE_DIR ${_mascotExpatSource}/expat
  INSTALL_DIR ${_mascotExpatPrefix}
  CONFIGURE_COMMAND ${_mascotExpatConfigure} ${_mascotExpatOptions}
  BUILD_COMMAND ${MASCOT_MAKE} -C lib clean
        COMMAND ${MASCOT_MAKE} -j${MASCOT_BUILD_JOBS} -C lib
        COMMAND ${MASCOT_MAKE} -C lib install
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS <INSTALL_DIR>/lib/libexpat.a
  LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

file(MAKE_DIRECTORY "${_mascotExpatPrefix}/include")

# XML_STATIC: the headers must not ask for the library's functions from a DLL.
add_library(Expat::expat STATIC IMPORTED GLOBAL)
set_target_properties(Expat::expat PROPERTIES
  IMPORTED_LOCATION "${_mascotExpatPrefix}/lib/libexpat.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_mascotExpatPrefix}/include"
  INTERFACE_COMPILE_DEFINITIONS XML_STATIC)
add_dependencies(Expat::expat mascot_expat)

set(MASCOT_EXPAT_LIBS Expat::expat)
