# The release: the show in the standalone layout (the program, the audio library beside it,
# src/shaders/, data/, .final, README.txt), installed as the component "release".
# scripts/release copies it into a folder and a tar.gz; CPack makes the .deb from the same rules,
# with the release under /usr/share/dusk and a launcher in /usr/games.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(DUSK_RELEASE_DIR share/dusk)
set(_production ${CMAKE_SOURCE_DIR}/projects/dusk)
set(_package_files ${_production}/release)

# Nothing the program loads may be looked for in a build tree: no RUNPATH at all (the audio
# library is found beside the program by LoadLibraryA, the rest on the system's library path).
set_target_properties(dusk bass PROPERTIES INSTALL_RPATH "" BUILD_WITH_INSTALL_RPATH OFF)

install(TARGETS dusk RUNTIME DESTINATION ${DUSK_RELEASE_DIR} COMPONENT release)
install(TARGETS bass LIBRARY DESTINATION ${DUSK_RELEASE_DIR} COMPONENT release)

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

# An empty .final: full screen at the fixed render size.
file(WRITE ${CMAKE_BINARY_DIR}/release/.final "")
install(FILES ${CMAKE_BINARY_DIR}/release/.final ${_package_files}/README.txt
  DESTINATION ${DUSK_RELEASE_DIR} COMPONENT release)

install(PROGRAMS ${_package_files}/dusk-launcher.sh RENAME dusk DESTINATION games COMPONENT release)
install(FILES ${_package_files}/dusk.desktop DESTINATION share/applications COMPONENT release)
install(FILES ${_package_files}/dusk.png DESTINATION share/icons/hicolor/64x64/apps COMPONENT release)

# The .deb. Debian versions start with a digit: a describe without a tag ("f517b7e-dirty")
# becomes "0~f517b7e+dirty", a tag's "v1.2-3-gabc" becomes "1.2+3+gabc".
string(REGEX REPLACE "^v" "" _deb_version "${DUSK_VERSION}")
string(REPLACE "-" "+" _deb_version "${_deb_version}")
if(NOT _deb_version MATCHES "^[0-9]")
  set(_deb_version "0~${_deb_version}")
endif()

set(CPACK_PACKAGE_NAME dusk)
set(CPACK_PACKAGE_VERSION ${_deb_version})
set(CPACK_PACKAGE_VENDOR "dusk")
set(CPACK_PACKAGE_CONTACT "dusk <dusk@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "amber over the hills, a real-time audiovisual demo")
set(CPACK_PACKAGE_DESCRIPTION "A real-time audiovisual show rendered with OpenGL 4.5, with its soundtrack.\nRun it with `dusk` or from the desktop's menu.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL release)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries the program and its audio library link (readelf -d, dpkg -S), and what is
# opened at run time: libepoxy opens libGL/libEGL, which need Mesa's drivers (llvmpipe without
# a GPU) and its EGL vendor.
set(DUSK_RUNTIME_PACKAGES
  libc6 libstdc++6 libgcc-s1 libsdl2-2.0-0 libgtk-3-0 libglib2.0-0 libepoxy0 libegl1 libgl1
  libegl-mesa0 libgl1-mesa-dri libmpg123-0 libboost-filesystem1.74.0 libmeshoptimizer2d libstb0)
list(JOIN DUSK_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)
