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
#
# The sources are fetched once with apt-get into a cache outside the source tree, one folder per
# Debian version, and shared by every build folder and both MinGW targets; a later configure
# finds the folder complete and fetches nothing. When apt can neither name nor fetch the current
# version (offline, no lists), the newest copy already in the cache is used.

include(ExternalProject)
include(ProcessorCount)

if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(_mascotDebsrcDefault "$ENV{XDG_CACHE_HOME}/tarvoclock/debsrc")
elseif(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "")
  set(_mascotDebsrcDefault "$ENV{HOME}/.cache/tarvoclock/debsrc")
else()
  set(_mascotDebsrcDefault "${CMAKE_BINARY_DIR}/_deps/debsrc")
endif()
set(MASCOT_DEBSRC_CACHE "${_mascotDebsrcDefault}" CACHE PATH
    "Where Debian source packages of third-party libraries are kept between builds")

find_program(MASCOT_APT_GET apt-get)
find_program(MASCOT_DPKG_SOURCE dpkg-source)
find_program(MASCOT_MAKE NAMES gmake make REQUIRED)
find_program(MASCOT_SH sh REQUIRED)

# Downloads source package <package> with apt-get and unpacks it, Debian's patches applied,
# into <cache>/<package>_<version>/src. Sets <outDir> to that folder, or <outError> to why not.
function(mascot_download_debian_source package cache outDir outError)
  set(${outDir} "" PARENT_SCOPE)
  if(NOT MASCOT_APT_GET OR NOT MASCOT_DPKG_SOURCE)
    set(${outError} "Fetching ${package} needs apt-get and dpkg-source (dpkg-dev)." PARENT_SCOPE)
    return()
  endif()
  # Work in a scratch folder and move it into place only when complete, so that an
  # interrupted fetch is never taken for a good one.
  set(scratch "${cache}/.partial-${package}")
  file(REMOVE_RECURSE "${scratch}")
  file(MAKE_DIRECTORY "${scratch}/dl")
  execute_process(COMMAND ${MASCOT_APT_GET} source --download-only ${package}
                  WORKING_DIRECTORY "${scratch}/dl"
                  OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE result)
  file(WRITE "${scratch}/fetch.log" "${log}")
  file(GLOB dsc "${scratch}/dl/${package}_*.dsc")
  list(LENGTH dsc dscCount)
  if(NOT result EQUAL 0 OR NOT dscCount EQUAL 1)
    file(REMOVE_RECURSE "${scratch}")
    set(${outError} "apt-get source --download-only ${package} failed:\n${log}" PARENT_SCOPE)
    return()
  endif()
  # dpkg-source checks the files against the .dsc and applies Debian's patches. It cannot
  # check the signature without a Debian keyring, which is no loss: apt has already checked
  # the .dsc against the signed archive index.
  execute_process(COMMAND ${MASCOT_DPKG_SOURCE} --no-copy -x "${dsc}" "${scratch}/src"
                  WORKING_DIRECTORY "${scratch}"
                  OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE result)
  file(APPEND "${scratch}/fetch.log" "${log}")
  if(NOT result EQUAL 0 OR NOT EXISTS "${scratch}/src/configure")
    file(REMOVE_RECURSE "${scratch}")
    set(${outError} "dpkg-source -x ${dsc} failed:\n${log}" PARENT_SCOPE)
    return()
  endif()
  file(TOUCH "${scratch}/.complete")
  # Named after what came, which is what --print-uris named unless the lists just changed.
  get_filename_component(version "${dsc}" NAME_WLE)
  file(REMOVE_RECURSE "${cache}/${version}")
  file(RENAME "${scratch}" "${cache}/${version}")
  set(${outDir} "${cache}/${version}/src" PARENT_SCOPE)
endfunction()

# Sets <outVar> to the unpacked, Debian-patched source tree of source package <package>.
function(mascot_fetch_debian_source package outVar)
  set(cache "${MASCOT_DEBSRC_CACHE}")
  file(MAKE_DIRECTORY "${cache}")
  # The i686 and x86_64 builds may configure at the same time and share this cache.
  file(LOCK "${cache}/.lock" GUARD FUNCTION TIMEOUT 900 RESULT_VARIABLE lockResult)
  if(NOT lockResult STREQUAL "0")
    message(FATAL_ERROR "Cannot lock ${cache}/.lock: ${lockResult}")
  endif()

  # Which version apt would fetch now. --print-uris reads the local lists only, so asking on
  # every configure is cheap, and a Debian update of the package is picked up by itself.
  set(wanted "")
  if(MASCOT_APT_GET)
    execute_process(COMMAND ${MASCOT_APT_GET} source --print-uris ${package}
                    OUTPUT_VARIABLE uris ERROR_VARIABLE aptError RESULT_VARIABLE aptResult)
    if(aptResult EQUAL 0 AND uris MATCHES "'[^' ]*/(${package}_[^' /]+)\\.dsc'")
      set(wanted "${CMAKE_MATCH_1}")
    endif()
  endif()
  if(NOT wanted STREQUAL "" AND EXISTS "${cache}/${wanted}/.complete")
    set(${outVar} "${cache}/${wanted}/src" PARENT_SCOPE)
    return()
  endif()

  if(wanted STREQUAL "")
    set(problem "apt-get cannot name a source package for ${package}.\n${aptError}")
  else()
    message(STATUS "Fetching Debian source package ${wanted}")
    mascot_download_debian_source(${package} "${cache}" dir problem)
    if(dir)
      set(${outVar} "${dir}" PARENT_SCOPE)
      return()
    endif()
  endif()

  # Offline, or the archive has moved on: an older copy still builds.
  file(GLOB cached LIST_DIRECTORIES true "${cache}/${package}_*/.complete")
  if(NOT cached)
    message(FATAL_ERROR "${problem}\n${cache} holds no earlier copy. "
                        "scripts/deps.sh enables deb-src and refreshes the apt lists.")
  endif()
  list(SORT cached COMPARE NATURAL ORDER DESCENDING)
  list(GET cached 0 newest)
  get_filename_component(newest "${newest}" DIRECTORY)
  get_filename_component(name "${newest}" NAME)
  message(WARNING "${problem}\nUsing the cached ${name}.")
  set(${outVar} "${newest}/src" PARENT_SCOPE)
endfunction()

mascot_fetch_debian_source(libogg _mascotOggSource)
mascot_fetch_debian_source(libvorbis _mascotVorbisSource)

execute_process(COMMAND ${CMAKE_C_COMPILER} -dumpmachine
                OUTPUT_VARIABLE _mascotHost OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE _mascotResult)
execute_process(COMMAND ${MASCOT_SH} "${_mascotOggSource}/config.guess"
                OUTPUT_VARIABLE _mascotBuild OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE _mascotBuildResult)
if(NOT _mascotResult EQUAL 0 OR NOT _mascotBuildResult EQUAL 0)
  message(FATAL_ERROR "Cannot tell the target (${_mascotHost}) or build (${_mascotBuild}) system")
endif()

ProcessorCount(_mascotJobs)
if(_mascotJobs EQUAL 0)
  set(_mascotJobs 2)
endif()

set(_mascotVorbisPrefix "${CMAKE_BINARY_DIR}/_deps/vorbis-install")
# Their configure scripts see a clean environment: host CFLAGS/LDFLAGS meant for native builds
# must not reach the cross compiler, and pkg-config must find only the ogg built here, never the
# host's. Their own flags (-O3 -Wall -Wextra, no -Werror) stay: our -Werror is for our code.
set(_mascotConfigure
  ${CMAKE_COMMAND} -E env
  --unset=CFLAGS --unset=CPPFLAGS --unset=LDFLAGS --unset=LIBS --unset=CC --unset=CPP
  --unset=PKG_CONFIG_PATH --unset=PKG_CONFIG_SYSROOT_DIR
  PKG_CONFIG_LIBDIR=${_mascotVorbisPrefix}/lib/pkgconfig
  ${MASCOT_SH} <SOURCE_DIR>/configure
  --build=${_mascotBuild} --host=${_mascotHost} --prefix=<INSTALL_DIR>
  --disable-shared --enable-static --disable-dependency-tracking --disable-maintainer-mode
  CC=${CMAKE_C_COMPILER})

# Installing is part of the build step so that the libraries are real outputs of one step, which
# Ninja needs to order our links after them on a clean build.
ExternalProject_Add(mascot_libogg
  PREFIX ${CMAKE_BINARY_DIR}/_deps/libogg
  SOURCE_DIR ${_mascotOggSource}
  INSTALL_DIR ${_mascotVorbisPrefix}
  CONFIGURE_COMMAND ${_mascotConfigure}
  BUILD_COMMAND ${MASCOT_MAKE} -j${_mascotJobs}
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
  BUILD_COMMAND ${MASCOT_MAKE} -j${_mascotJobs} -C lib
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
