# The release: the show in the standalone layout, installed as the component "release".
#   share/dusk/   what the program reads, its working directory: src/shaders/, data/, .final,
#                 README.txt, the track sources (tracks/*.txt and tracks/compile) and the
#                 timeline page (editor/), so that a copy of its own runs --live --editor
#   lib/dusk/     the program, the audio library it loads from its own folder, and dusk-track
#                 (what tracks/compile runs)
# scripts/release joins the two into one folder and a tar.gz; CPack makes the .deb from the same
# rules under /usr, with a launcher in /usr/games, a manual page, copyright and changelog.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(DUSK_RELEASE_DIR share/dusk)
set(DUSK_RELEASE_PROGRAM_DIR lib/dusk)
set(_production ${CMAKE_SOURCE_DIR}/projects/dusk)
set(_package_files ${_production}/release)

# The package's maintainer, for the .deb's Maintainer field and its changelog.
set(DUSK_MAINTAINER "dusk maintainers <maintainers@users.noreply.c-seed-1f711b1d.example>"
  CACHE STRING "The .deb's maintainer: \"Name <address>\"")

# Nothing the program loads may be looked for in a build tree: no RUNPATH at all (the audio
# library is found beside the program by LoadLibraryA, the rest on the system's library path).
set_target_properties(dusk bass dusk-track PROPERTIES INSTALL_RPATH "" BUILD_WITH_INSTALL_RPATH OFF)

install(TARGETS dusk dusk-track RUNTIME DESTINATION ${DUSK_RELEASE_PROGRAM_DIR} COMPONENT release)
install(TARGETS bass LIBRARY DESTINATION ${DUSK_RELEASE_PROGRAM_DIR} COMPONENT release)

# The effects as the loader reads them: the framework's post effects compiled (the build writes
# fw_PostEffects.fxo beside its source), the pool's globals, the production's sources.
install(FILES
    ${CMAKE_SOURCE_DIR}/libraries/fw/src/shaders/fw_PostEffects.fxo
    ${CMAKE_SOURCE_DIR}/libraries/fw/src/shaders/fw_Globals.fxi
  DESTINATION ${DUSK_RELEASE_DIR}/src/shaders COMPONENT release)
install(DIRECTORY ${_production}/src/shaders/
  DESTINATION ${DUSK_RELEASE_DIR}/src/shaders COMPONENT release
  FILES_MATCHING PATTERN "*.fx" PATTERN "*.fxi")

# The data as committed (tracks compiled into data/sync by tracks/compile); what a development
# run leaves behind is not part of the show.
install(DIRECTORY ${_production}/data/
  DESTINATION ${DUSK_RELEASE_DIR}/data COMPONENT release
  PATTERN temp EXCLUDE
  PATTERN screenshots EXCLUDE
  PATTERN ".*" EXCLUDE)

# Live mode's material: the track sources it compiles and the page --editor serves (the
# standalone layout's framework root is the folder itself).
install(DIRECTORY ${_production}/tracks/
  DESTINATION ${DUSK_RELEASE_DIR}/tracks COMPONENT release
  FILES_MATCHING PATTERN "*.txt")
install(PROGRAMS ${_production}/tracks/compile DESTINATION ${DUSK_RELEASE_DIR}/tracks COMPONENT release)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/libraries/fw/editor/
  DESTINATION ${DUSK_RELEASE_DIR}/editor COMPONENT release
  FILES_MATCHING PATTERN "*.html" PATTERN "*.js" PATTERN "*.css")

# An empty .final: full screen at the fixed render size.
file(WRITE ${CMAKE_BINARY_DIR}/release/.final "")
install(FILES ${CMAKE_BINARY_DIR}/release/.final ${_package_files}/README.txt
  DESTINATION ${DUSK_RELEASE_DIR} COMPONENT release)

install(PROGRAMS ${_package_files}/dusk-launcher.sh RENAME dusk DESTINATION games COMPONENT release)
install(FILES ${_package_files}/dusk.desktop DESTINATION share/applications COMPONENT release)
install(FILES ${_package_files}/dusk.png DESTINATION share/icons/hicolor/64x64/apps COMPONENT release)

# The .deb's version (see dusk_debian_version), its packaging revision, and the changelog entry
# that names both, dated at the commit so that the same commit gives the same package.
dusk_debian_version(DUSK_DEBIAN_VERSION "${GIT_EXECUTABLE}" "${CMAKE_SOURCE_DIR}")
set(DUSK_DEBIAN_REVISION 1)
set(_changelog_date "Thu, 01 Jan 1970 00:00:00 +0000")
if(GIT_EXECUTABLE)
  execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%cD
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE _commit_date OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _result ERROR_QUIET)
  if(_result EQUAL 0 AND _commit_date)
    set(_changelog_date "${_commit_date}")
  endif()
endif()

# Debian's documents: compressed as its policy asks (gzip -9, no name or time inside).
find_program(DUSK_GZIP gzip REQUIRED)
set(_doc ${CMAKE_BINARY_DIR}/release/doc)
file(MAKE_DIRECTORY ${_doc})
file(WRITE ${_doc}/changelog.Debian
  "dusk (${DUSK_DEBIAN_VERSION}-${DUSK_DEBIAN_REVISION}) unstable; urgency=medium\n\n"
  "  * Built from ${DUSK_VERSION}.\n\n"
  " -- ${DUSK_MAINTAINER}  ${_changelog_date}\n")
configure_file(${_package_files}/dusk.6 ${_doc}/dusk.6 COPYONLY)
configure_file(${_package_files}/copyright ${_doc}/copyright @ONLY)
foreach(_document changelog.Debian dusk.6)
  execute_process(COMMAND ${DUSK_GZIP} -9nf ${_doc}/${_document} RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${_doc}/${_document}")
  endif()
endforeach()
install(FILES ${_doc}/changelog.Debian.gz ${_doc}/copyright
  DESTINATION share/doc/dusk COMPONENT release)
install(FILES ${_doc}/dusk.6.gz DESTINATION share/man/man6 COMPONENT release)

set(CPACK_PACKAGE_NAME dusk)
set(CPACK_PACKAGE_VERSION ${DUSK_DEBIAN_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${DUSK_DEBIAN_REVISION})
set(CPACK_PACKAGE_VENDOR "dusk")
set(CPACK_PACKAGE_CONTACT "${DUSK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DUSK_MAINTAINER}")
# CPack writes these into a CMake file of its own unescaped: no double quotes in them.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo, amber over the hills")
set(CPACK_PACKAGE_DESCRIPTION "A real-time audiovisual show rendered with OpenGL 4.5, with its soundtrack.\nRun it with the command dusk or from the desktop's menu.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL release)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# Binaries without their symbol tables (a Release build has no debug information to keep).
set(CPACK_STRIP_FILES ON)
# The libraries the program and its audio library link (readelf -d, dpkg -S), and what is
# opened at run time: libepoxy opens libGL/libEGL, which need Mesa's drivers (llvmpipe without
# a GPU) and its EGL vendor.
set(DUSK_RUNTIME_PACKAGES
  libc6 libstdc++6 libgcc-s1 libsdl2-2.0-0 libgtk-3-0 libglib2.0-0 libepoxy0 libegl1 libgl1
  libegl-mesa0 libgl1-mesa-dri libmpg123-0 libboost-filesystem1.74.0 libmeshoptimizer2d libstb0)
list(JOIN DUSK_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)
