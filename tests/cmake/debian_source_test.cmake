# Which copy of a Debian source package the build takes from its cache, and the line it gives
# about it against the version apt names: run with cmake -DWORK=<scratch folder> -P.
cmake_minimum_required(VERSION 3.25)

# Each case: versions in the cache (comma-separated) | version apt names, empty for none |
# version built | the end of the line printed.
set(cases
  "2.5.0-1+deb12u2|2.5.0-1+deb12u5|2.5.0-1+deb12u2|, OLDER than 2.5.0-1+deb12u5, which apt names"
  "2.5.0-1+deb12u2,2.5.0-1+deb12u5|2.5.0-1+deb12u5|2.5.0-1+deb12u5|, the version apt names"
  "2.5.0-1+deb12u10|2.5.0-1+deb12u9|2.5.0-1+deb12u10|, newer than 2.5.0-1+deb12u9, which apt names"
  "2.5.0-1+deb12u2||2.5.0-1+deb12u2|, apt names no version to compare")

# apt-get names what the case says and can fetch nothing, as when the archive has moved on.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(WRITE "${WORK}/apt-get"
     "#!/bin/sh\ncase \"$*\" in *--print-uris*) [ -s '${WORK}/uris' ] && exec cat '${WORK}/uris';; esac\nexit 100\n")
file(CHMOD "${WORK}/apt-get" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(MASCOT_APT_GET "${WORK}/apt-get")
set(MASCOT_DPKG_SOURCE false)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/DebianSource.cmake)

set(index 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 cachedVersions)
  list(GET fields 1 aptVersion)
  list(GET fields 2 builtVersion)
  list(GET fields 3 ending)
  math(EXPR index "${index} + 1")
  set(MASCOT_DEBSRC_CACHE "${WORK}/cache${index}")
  string(REPLACE "," ";" cachedVersions "${cachedVersions}")
  foreach(version IN LISTS cachedVersions)
    file(MAKE_DIRECTORY "${MASCOT_DEBSRC_CACHE}/expat_${version}/src/debian")
    file(TOUCH "${MASCOT_DEBSRC_CACHE}/expat_${version}/.complete")
  endforeach()
  if(aptVersion STREQUAL "")
    file(WRITE "${WORK}/uris" "")
  else()
    string(REPLACE "+" "%2b" quoted "${aptVersion}")
    file(WRITE "${WORK}/uris"
         "'http://127.0.0.1/expat_${quoted}.dsc' expat_${aptVersion}.dsc 1427 SHA256:00\n")
  endif()
  mascot_fetch_debian_source(expat tree)
  set(wantTree "${MASCOT_DEBSRC_CACHE}/expat_${builtVersion}/src")
  set(wantLine "expat ${builtVersion} built from Debian's source${ending}")
  if(NOT tree STREQUAL wantTree OR NOT tree_SUMMARY STREQUAL wantLine)
    message(FATAL_ERROR "case ${index}: took ${tree}, said \"${tree_SUMMARY}\"; "
                        "expected ${wantTree}, \"${wantLine}\"")
  endif()
endforeach()
message(STATUS "${index} cases passed")
