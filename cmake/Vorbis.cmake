# libogg/libvorbis/libvorbisfile: Debian's -dev packages natively; cross-built from Debian's
# source packages for the Windows targets. Sets MASCOT_VORBIS_LIBS.
#
# MASCOT_VORBIS_LIBS is a list of targets that carries the include directories and links, in
# this order, vorbisfile, vorbisenc, vorbis and ogg.

if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  # vorbisfile.pc and vorbisenc.pc only name their own library (libvorbis is Requires.private),
  # while libvorbis and libogg are called directly too, so every layer is asked for.
  pkg_check_modules(MASCOT_VORBIS REQUIRED IMPORTED_TARGET GLOBAL vorbisfile vorbisenc vorbis ogg)
  set(MASCOT_VORBIS_LIBS PkgConfig::MASCOT_VORBIS)
  return()
endif()

# Windows: MinGW-w64 has no libvorbis, so the exact sources Debian ships (with its patches) are
# built as static libraries with the same cross compiler as the program.
include(${CMAKE_CURRENT_LIST_DIR}/DebianSource.cmake)
include(ExternalProject)

mascot_fetch_debian_source(libogg _mascotOggSource)
mascot_fetch_debian_source(libvorbis _mascotVorbisSource)

set(_mascotVorbisPrefix "${CMAKE_BINARY_DIR}/_deps/vorbis-install")
mascot_cross_configure_command("${_mascotOggSource}/config.guess" "${_mascotVorbisPrefix}"
                               _mascotConfigure)

# Installing is part of the build step so that the libraries are real outputs of one step, which
# Ninja needs to order our links after them on a clean build. The step runs only after a
# configure, whose flags make would not see as a reason to compile again: it starts clean.
ExternalProject_Add(mascot_libogg
  PREFIX ${CMAKE_BINARY_DIR}/_deps/libogg
  SOURCE_DIR ${_mascotOggSource}
  INSTALL_DIR ${_mascotVorbisPrefix}
  CONFIGURE_COMMAND ${_mascotConfigure}
  BUILD_COMMAND ${MASCOT_MAKE} clean
        COMMAND ${MASCOT_MAKE} -j${MASCOT_BUILD_JOBS}
        COMMAND ${MASCOT_MAKE} install
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS <INSTALL_DIR>/lib/libogg.a
  LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

# OGG_CFLAGS/OGG_LIBS settle the ogg lookup even where pkg-config is missing.
ExternalProject_Add(mascot_libvorbis
  DEPENDS mascot_libogg
  PREFIX ${CMAKE_BINARY_DIR}/_deps/libvorbis
  SOURCE_DIR ${_mascotVorbisSource}
  INSTALL_DIR ${_mascotVorbisPrefix}
  CONFIGURE_COMMAND ${_mascotConfigure}
                    --disable-docs --disable-examples --disable-oggtest
                    OGG_CFLAGS=-I<INSTALL_DIR>/include "OGG_LIBS=-L<INSTALL_DIR>/lib -logg"
  BUILD_COMMAND ${MASCOT_MAKE} -C lib clean
        COMMAND ${MASCOT_MAKE} -j${MASCOT_BUILD_JOBS} -C lib
        COMMAND ${MASCOT_MAKE} -C lib install
        COMMAND ${MASCOT_MAKE} -C include install
        COMMAND ${MASCOT_MAKE} install-pkgconfigDATA
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS <INSTALL_DIR>/lib/libvorbis.a <INSTALL_DIR>/lib/libvorbisenc.a
                   <INSTALL_DIR>/lib/libvorbisfile.a
  LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

# Imported targets must name include folders that exist when the build system is generated.
file(MAKE_DIRECTORY "${_mascotVorbisPrefix}/include")

add_library(Ogg::ogg STATIC IMPORTED GLOBAL)
set_target_properties(Ogg::ogg PROPERTIES
  IMPORTED_LOCATION "${_mascotVorbisPrefix}/lib/libogg.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_mascotVorbisPrefix}/include")
add_dependencies(Ogg::ogg mascot_libogg)

foreach(_mascotLib vorbis vorbisenc vorbisfile)
  add_library(Vorbis::${_mascotLib} STATIC IMPORTED GLOBAL)
  set_target_properties(Vorbis::${_mascotLib} PROPERTIES
    IMPORTED_LOCATION "${_mascotVorbisPrefix}/lib/lib${_mascotLib}.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_mascotVorbisPrefix}/include")
  add_dependencies(Vorbis::${_mascotLib} mascot_libvorbis)
endforeach()
set_target_properties(Vorbis::vorbis PROPERTIES INTERFACE_LINK_LIBRARIES Ogg::ogg)
set_target_properties(Vorbis::vorbisenc Vorbis::vorbisfile PROPERTIES
  INTERFACE_LINK_LIBRARIES Vorbis::vorbis)

set(MASCOT_VORBIS_LIBS Vorbis::vorbisfile Vorbis::vorbisenc Vorbis::vorbis Ogg::ogg)
