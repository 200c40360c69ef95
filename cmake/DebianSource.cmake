# Third-party libraries for the Windows targets (and expat in every build) are built from Debian's
# source packages: this fetches a package's sources, Debian's patches applied, into a cache shared
# by every build, says which version it took, and gives the configure command that cross-builds
# an autotools tree. Included by the cmake file of each library built this way.
include_guard(GLOBAL)

# The sources are fetched once with apt-get into a cache outside the source tree, one folder per
# Debian version, and shared by every build folder and both MinGW targets; a later configure
# finds the folder complete and fetches nothing. When apt can neither name nor fetch the current
# version (offline, no lists), the newest copy already in the cache is used.

# A builder may name the folder in MASCOT_DEBSRC_CACHE, in the environment or the CMake cache.
if(DEFINED ENV{MASCOT_DEBSRC_CACHE} AND NOT "$ENV{MASCOT_DEBSRC_CACHE}" STREQUAL "")
  set(_mascotDebsrcDefault "$ENV{MASCOT_DEBSRC_CACHE}")
elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(_mascotDebsrcDefault "$ENV{XDG_CACHE_HOME}/tarvoclock/debsrc")
elseif(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "")
  set(_mascotDebsrcDefault "$ENV{HOME}/.cache/tarvoclock/debsrc")
else()
  set(_mascotDebsrcDefault "${CMAKE_BINARY_DIR}/_deps/debsrc")
endif()
set(MASCOT_DEBSRC_CACHE "${_mascotDebsrcDefault}" CACHE PATH
    "Where Debian source packages of third-party libraries are kept between builds")

find_program(MASCOT_APT_GET apt-get)
find_program(MASCOT_APT_CACHE apt-cache)
find_program(MASCOT_DPKG_SOURCE dpkg-source)
find_program(MASCOT_DPKG dpkg)

# Downloads source package <package> (the version apt picks, or <version> when not empty) with
# apt-get and unpacks it, Debian's patches applied, into <cache>/<package>_<version>/src. Sets
# <outDir> to that folder, or <outError> to why not.
function(mascot_download_debian_source package version cache outDir outError)
  set(request "${package}")
  if(NOT version STREQUAL "")
    set(request "${package}=${version}")
  endif()
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
  execute_process(COMMAND ${MASCOT_APT_GET} source --download-only ${request}
                  WORKING_DIRECTORY "${scratch}/dl"
                  OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE result)
  file(WRITE "${scratch}/fetch.log" "${log}")
  file(GLOB dsc "${scratch}/dl/${package}_*.dsc")
  list(LENGTH dsc dscCount)
  if(NOT result EQUAL 0 OR NOT dscCount EQUAL 1)
    file(REMOVE_RECURSE "${scratch}")
    set(${outError} "apt-get source --download-only ${request} failed:\n${log}" PARENT_SCOPE)
    return()
  endif()
  # dpkg-source checks the files against the .dsc and applies Debian's patches. It cannot
  # check the signature without a Debian keyring, which is no loss: apt has already checked
  # the .dsc against the signed archive index.
  execute_process(COMMAND ${MASCOT_DPKG_SOURCE} --no-copy -x "${dsc}" "${scratch}/src"
                  WORKING_DIRECTORY "${scratch}"
                  OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE result)
  file(APPEND "${scratch}/fetch.log" "${log}")
  if(NOT result EQUAL 0 OR NOT EXISTS "${scratch}/src/debian/control")
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

# Sets <outVar> to the unpacked tree of <package> in <cache>: the version apt names, else an
# older one; <outWanted> to the version apt names, empty when it names none. Called with the
# cache locked.
function(_mascot_find_debian_source package cache outVar outWanted)
  # Which version apt would fetch now. --print-uris reads the local lists only, so asking on
  # every configure is cheap, and a Debian update of the package is picked up by itself.
  set(wanted "")
  if(MASCOT_APT_GET)
    execute_process(COMMAND ${MASCOT_APT_GET} source --print-uris ${package}
                    OUTPUT_VARIABLE uris ERROR_VARIABLE aptError RESULT_VARIABLE aptResult)
    # The file name after the address, not the address, whose '+' is written %2b.
    if(aptResult EQUAL 0 AND uris MATCHES "'[^' ]*' (${package}_[^' /]+)\\.dsc ")
      set(wanted "${CMAKE_MATCH_1}")
    endif()
  endif()
  string(REPLACE "${package}_" "" wantedVersion "${wanted}")
  set(${outWanted} "${wantedVersion}" PARENT_SCOPE)
  if(NOT wanted STREQUAL "" AND EXISTS "${cache}/${wanted}/.complete")
    set(${outVar} "${cache}/${wanted}/src" PARENT_SCOPE)
    return()
  endif()

  # MASCOT_DEBSRC_OFFLINE in the environment keeps a build to what the cache holds: a test that
  # builds from a copy of the cache must not reach the archive.
  set(offline FALSE)
  if(DEFINED ENV{MASCOT_DEBSRC_OFFLINE} AND NOT "$ENV{MASCOT_DEBSRC_OFFLINE}" STREQUAL "")
    set(offline TRUE)
  endif()
  if(wanted STREQUAL "")
    set(problem "apt-get cannot name a source package for ${package}.\n${aptError}")
  elseif(offline)
    set(problem "${wanted} is not in ${cache}, and MASCOT_DEBSRC_OFFLINE forbids fetching it.")
  else()
    message(STATUS "Fetching Debian source package ${wanted}")
    mascot_download_debian_source(${package} "" "${cache}" dir problem)
    if(dir)
      set(${outVar} "${dir}" PARENT_SCOPE)
      return()
    endif()
  endif()

  # Offline, or the archive has moved on: an older copy still builds.
  file(GLOB cached LIST_DIRECTORIES true "${cache}/${package}_*/.complete")
  if(NOT cached AND MASCOT_APT_CACHE AND NOT offline)
    # Nothing cached either: another version the lists name may still be fetched (a security
    # update can be listed before a mirror holds all of its files), newest first.
    execute_process(COMMAND ${MASCOT_APT_CACHE} showsrc ${package}
                    OUTPUT_VARIABLE sources ERROR_QUIET RESULT_VARIABLE sourcesResult)
    string(REGEX MATCHALL "\nVersion: [^\n]+" versions "\n${sources}")
    list(TRANSFORM versions REPLACE "\nVersion: " "")
    list(REMOVE_DUPLICATES versions)
    list(SORT versions COMPARE NATURAL ORDER DESCENDING)
    foreach(version ${versions})
      if("${package}_${version}" STREQUAL "${wanted}")
        continue()
      endif()
      mascot_download_debian_source(${package} "${version}" "${cache}" dir otherProblem)
      if(dir)
        message(WARNING "${problem}\nUsing ${package} ${version}, which apt could fetch.")
        set(${outVar} "${dir}" PARENT_SCOPE)
        return()
      endif()
    endforeach()
  endif()
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

# Sets <outVar> to the sentence that names the <built> version of <package> and how it stands
# against the version apt names (<wanted>, empty when apt names none). A build from an older copy
# lacks Debian's later fixes, which the builder must be told plainly, not in a warning among many.
function(mascot_describe_debian_version package built wanted outVar)
  set(text "${package} ${built} built from Debian's source")
  if(wanted STREQUAL "")
    string(APPEND text ", apt names no version to compare")
  elseif(built STREQUAL wanted)
    string(APPEND text ", the version apt names")
  else()
    set(older 1)
    if(MASCOT_DPKG)
      execute_process(COMMAND ${MASCOT_DPKG} --compare-versions "${built}" lt "${wanted}"
                      RESULT_VARIABLE older OUTPUT_QUIET ERROR_QUIET)
    endif()
    if(older EQUAL 0)
      string(APPEND text ", OLDER than ${wanted}, which apt names")
    elseif(MASCOT_DPKG)
      string(APPEND text ", newer than ${wanted}, which apt names")
    else()
      string(APPEND text ", not ${wanted}, which apt names")
    endif()
  endif()
  set(${outVar} "${text}" PARENT_SCOPE)
endfunction()

# Sets <outVar> to the unpacked, Debian-patched source tree of source package <package>, and
# <outVar>_SUMMARY to the sentence of mascot_describe_debian_version, which is also printed.
# PREPARE_DIR <dir> PREPARE <command...> runs a command once in <tree>/<dir> of each copy, before
# anything builds from it: the generation of a configure script that Debian runs in its own
# build too.
function(mascot_fetch_debian_source package outVar)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "PREPARE_DIR" "PREPARE")
  set(cache "${MASCOT_DEBSRC_CACHE}")
  file(MAKE_DIRECTORY "${cache}")
  # The i686 and x86_64 builds may configure at the same time and share this cache.
  file(LOCK "${cache}/.lock" GUARD FUNCTION TIMEOUT 900 RESULT_VARIABLE lockResult)
  if(NOT lockResult STREQUAL "0")
    message(FATAL_ERROR "Cannot lock ${cache}/.lock: ${lockResult}")
  endif()
  _mascot_find_debian_source(${package} "${cache}" tree wanted)
  get_filename_component(copyName "${tree}" DIRECTORY)
  get_filename_component(copyName "${copyName}" NAME)
  string(REPLACE "${package}_" "" built "${copyName}")
  mascot_describe_debian_version(${package} "${built}" "${wanted}" summary)
  message(NOTICE "${summary}")
  if(arg_PREPARE)
    get_filename_component(copy "${tree}" DIRECTORY)
    if(NOT EXISTS "${copy}/.prepared")
      execute_process(COMMAND ${arg_PREPARE} WORKING_DIRECTORY "${tree}/${arg_PREPARE_DIR}"
                      OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE result)
      file(WRITE "${copy}/prepare.log" "${log}")
      if(NOT result EQUAL 0)
        message(FATAL_ERROR "Preparing ${tree}/${arg_PREPARE_DIR} failed:\n${log}")
      endif()
      file(TOUCH "${copy}/.prepared")
    endif()
  endif()
  set(${outVar} "${tree}" PARENT_SCOPE)
  set(${outVar}_SUMMARY "${summary}" PARENT_SCOPE)
endfunction()

# Sets <outVar> to the command that configures an ExternalProject's autotools tree
# (<SOURCE_DIR>) for the target, static libraries only, installing into <INSTALL_DIR> with
# pkg-config looking in <prefix>/lib/pkgconfig alone. The configure scripts see a clean
# environment: host CFLAGS/LDFLAGS meant for native builds must not reach the cross compiler, and
# pkg-config must find only what was built here, never the host's. Their own flags (-O2/-O3,
# their warnings, no -Werror) stay: our -Werror is for our code. <guess> is a config.guess.
# CPPFLAGS, which every project puts on each compile beside its own CFLAGS, turns assert off (a
# failed one would end the clock) and writes the source cache and build folders under fixed
# names into whatever paths reach the objects, so that where and by whom the program was built
# changes no byte of it.
function(mascot_cross_configure_command guess prefix outVar)
  execute_process(COMMAND ${CMAKE_C_COMPILER} -dumpmachine
                  OUTPUT_VARIABLE host OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE hostResult)
  execute_process(COMMAND ${MASCOT_SH} "${guess}"
                  OUTPUT_VARIABLE build OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE buildResult)
  if(NOT hostResult EQUAL 0 OR NOT buildResult EQUAL 0)
    message(FATAL_ERROR "Cannot tell the target (${host}) or build (${build}) system")
  endif()
  set(${outVar}
    ${CMAKE_COMMAND} -E env
    --unset=CFLAGS --unset=CPPFLAGS --unset=LDFLAGS --unset=LIBS --unset=CC --unset=CPP
    --unset=PKG_CONFIG_PATH --unset=PKG_CONFIG_SYSROOT_DIR
    PKG_CONFIG_LIBDIR=${prefix}/lib/pkgconfig
    ${MASCOT_SH} <SOURCE_DIR>/configure
    --build=${build} --host=${host} --prefix=<INSTALL_DIR>
    --disable-shared --enable-static --disable-dependency-tracking --disable-maintainer-mode
    CC=${CMAKE_C_COMPILER}
    "CPPFLAGS=-DNDEBUG ${MASCOT_EXTERNAL_PREFIX_MAPS}"
    PARENT_SCOPE)
endfunction()

# GCC lets the last map that matches win: the cache may lie inside the build folder.
set(MASCOT_EXTERNAL_PREFIX_MAPS
    "-ffile-prefix-map=${CMAKE_BINARY_DIR}=build -ffile-prefix-map=${MASCOT_DEBSRC_CACHE}=debsrc")

find_program(MASCOT_MAKE NAMES gmake make REQUIRED)
find_program(MASCOT_SH sh REQUIRED)
include(ProcessorCount)
ProcessorCount(MASCOT_BUILD_JOBS)
if(MASCOT_BUILD_JOBS EQUAL 0)
  set(MASCOT_BUILD_JOBS 2)
endif()
