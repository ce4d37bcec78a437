# The program's version, from `git describe --tags --always --dirty`.
# DUSK_VERSION is read at configure time (the package's file names use it, and
# DUSK_PACKAGE_VERSION, its numeric form, the CMake package's version); the header
# dusk_Version.h is rewritten on every build when HEAD or the tree's state changed, so a plain
# `cmake --build` after a commit prints the new version without a new configure.
include_guard(GLOBAL)

find_package(Git QUIET)
set(DUSK_VERSION_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/WriteVersion.cmake)
set(DUSK_VERSION_HEADER_DIR ${CMAKE_BINARY_DIR}/generated)

include(${DUSK_VERSION_SCRIPT})
dusk_describe_version(DUSK_VERSION "${GIT_EXECUTABLE}" "${CMAKE_SOURCE_DIR}")
# The installed package's version (duskConfigVersion.cmake) is numeric: see dusk_package_version.
dusk_package_version(DUSK_PACKAGE_VERSION "${GIT_EXECUTABLE}" "${CMAKE_SOURCE_DIR}")

# The target runs at every build; it touches the header only when the text changes, so nothing
# recompiles otherwise.
add_custom_target(dusk_version
  COMMAND ${CMAKE_COMMAND} -DGIT=${GIT_EXECUTABLE} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -DHEADER=${DUSK_VERSION_HEADER_DIR}/dusk_Version.h -P ${DUSK_VERSION_SCRIPT}
  BYPRODUCTS ${DUSK_VERSION_HEADER_DIR}/dusk_Version.h
  COMMENT "Reading the version from git"
  VERBATIM)
