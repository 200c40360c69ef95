# expat, the XML parser of URL feeds: Debian's libexpat1-dev natively (the fuzz build too);
# cross-built from Debian's expat source package for the Windows targets, fetched as libogg's
# is. Sets MASCOT_EXPAT_LIBS.

if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MASCOT_EXPAT REQUIRED IMPORTED_TARGET GLOBAL expat)
  set(MASCOT_EXPAT_LIBS PkgConfig::MASCOT_EXPAT)
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/DebianSource.cmake)
include(ExternalProject)

# Debian ships expat's repository: the library lies in expat/ without a generated configure
# script, which Debian's build makes with expat's buildconf.sh (autoconf, automake, libtool).
find_program(MASCOT_BASH bash REQUIRED)
mascot_fetch_debian_source(expat _mascotExpatSource PREPARE_DIR expat
                           PREPARE ${MASCOT_BASH} ./buildconf.sh)

set(_mascotExpatPrefix "${CMAKE_BINARY_DIR}/_deps/expat-install")
mascot_cross_configure_command("${_mascotExpatSource}/expat/conftools/config.guess"
                               "${_mascotExpatPrefix}" _mascotExpatConfigure)

# Only the library: its command-line tool, examples, tests and manual page are not ours to ship.
# Installing is part of the build step, as for libogg.
ExternalProject_Add(mascot_expat
  PREFIX ${CMAKE_BINARY_DIR}/_deps/expat
  SOURCE_DIR ${_mascotExpatSource}/expat
  INSTALL_DIR ${_mascotExpatPrefix}
  CONFIGURE_COMMAND ${_mascotExpatConfigure}
                    --without-xmlwf --without-examples --without-tests --without-docbook
  BUILD_COMMAND ${MASCOT_MAKE} -j${MASCOT_BUILD_JOBS} -C lib
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
