# The framework as an installed CMake package (component "dev"):
#   cmake --install BUILD --prefix P --component dev
# gives P/include/dusk/ (the headers a production includes, nothing of the framework's insides),
# the static libraries, the run-time modules (the audio library and the software rasteriser's),
# the tools, the framework's shaders, dusk-new with its starter (and the data every show needs), and
# P/lib/cmake/dusk/ for find_package(dusk CONFIG): dusk::fw, dusk::tools, dusk::testing,
# dusk_add_production().
include_guard(GLOBAL)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(_dusk_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/dusk)
set(_dusk_module_dir ${CMAKE_INSTALL_LIBDIR}/dusk)

# The headers a production needs are the framework's and the sync library's include/dusk/ folders
# (what the production's and the starter's sources include, followed through everything those
# include), and these of the platform layer, whose folder holds its private headers too. Every
# other header stays private to this tree.
set(DUSK_PUBLIC_PLATFORM_HEADERS
  platform/include/platform/crt.h platform/include/platform/d3d10.h platform/include/platform/d3dx10.h
  platform/include/platform/d3dx10effect.h platform/include/platform/d3dx10math.h
  platform/include/platform/d3dx10mesh.h platform/include/platform/d3dx10tex.h
  platform/include/platform/safe_release.h
  platform/include/platform/win32.h platform/include/platform/win32_dialogs.h
  platform/include/platform/win32_user.h)
# dusk::testing's own: the recording device's record, the helper that installs the device, and
# the framework's resource loading, which a test runs itself on that device.
set(DUSK_TESTING_HEADERS
  platform/include/platform/d3d10_recording.h
  fw/src/testing/fw_RecordingDevice.h
  fw/src/frame/fw_LoadResources.h)

function(_dusk_install_headers root)
  foreach(header ${ARGN})
    # fw/src/app/x.h -> app/x.h; platform/include/platform/x.h -> platform/x.h
    string(REGEX REPLACE "^[a-z]+/(src|include)/" "" relative ${header})
    get_filename_component(folder ${relative} DIRECTORY)
    install(FILES ${CMAKE_SOURCE_DIR}/libraries/${header} DESTINATION ${root}/${folder} COMPONENT dev)
  endforeach()
endfunction()
foreach(library fw sync)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/libraries/${library}/include/dusk/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dusk
          COMPONENT dev FILES_MATCHING PATTERN "*.h")
endforeach()
_dusk_install_headers(${CMAKE_INSTALL_INCLUDEDIR}/dusk ${DUSK_PUBLIC_PLATFORM_HEADERS})
_dusk_install_headers(${CMAKE_INSTALL_INCLUDEDIR}/dusk/testing ${DUSK_TESTING_HEADERS})

# The recording device is part of the platform library; dusk::testing adds its headers.
add_library(dusk_testing INTERFACE)
target_link_libraries(dusk_testing INTERFACE dusk_fw)
target_include_directories(dusk_testing INTERFACE $<INSTALL_INTERFACE:include/dusk/testing>)

set_target_properties(dusk_fw PROPERTIES EXPORT_NAME fw)
set_target_properties(dusk_tools PROPERTIES EXPORT_NAME tools)
set_target_properties(dusk_sync PROPERTIES EXPORT_NAME sync)
set_target_properties(dusk_testing PROPERTIES EXPORT_NAME testing)
# A framework built with the sanitizers is instrumented, so a production linking the installed
# libraries needs the sanitizers' run-times too.
if(DUSK_SANITIZE)
  target_link_options(dusk_fw INTERFACE $<INSTALL_INTERFACE:-fsanitize=address,undefined>)
endif()
set_target_properties(bass PROPERTIES EXPORT_NAME bass)
set_target_properties(d3d10warp PROPERTIES EXPORT_NAME d3d10warp)
set_target_properties(dusk-effect PROPERTIES EXPORT_NAME effect)
set_target_properties(dusk-track PROPERTIES EXPORT_NAME track)

install(TARGETS dusk_fw dusk_tools dusk_sync dusk_testing platform platform_headers platform_win32 platform_d3d10
                platform_d3dx10
  EXPORT duskTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
# Loaded at run time by name from the program's folder, never linked: dusk_add_production copies
# them beside the program.
install(TARGETS bass d3d10warp
  EXPORT duskTargets
  LIBRARY DESTINATION ${_dusk_module_dir} COMPONENT dev)
install(TARGETS dusk-effect dusk-track
  EXPORT duskTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dev)
install(TARGETS dusk-mesh dusk-synth RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dev)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/tools/dusk-new/dusk-new DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dev)

# The framework's shaders, as the build compiles them, and the files every show's data/ needs:
# the post chain's vignette and random pictures, the volume noise and the missing-image picture.
set(_fw_shaders ${CMAKE_SOURCE_DIR}/libraries/fw/src/shaders)
install(FILES ${_fw_shaders}/fw_Globals.fxi ${_fw_shaders}/fw_PostEffects.fx ${_fw_shaders}/fw_PostEffects.fxo
  DESTINATION ${CMAKE_INSTALL_DATADIR}/dusk/shaders COMPONENT dev)
# Those go into the starter's own data/, so that dusk-new copies one folder: share/dusk/data is the
# show's (the release component's) in an install of every component.
set(_show_data ${CMAKE_SOURCE_DIR}/projects/dusk/data)
install(FILES ${_show_data}/vignette.jpg ${_show_data}/rnd.png ${_show_data}/noise.bin ${_show_data}/missing.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/dusk/starter/data COMPONENT dev)
# The timeline page (--live --editor), copied beside each production as editor/, where the
# standalone layout's framework root puts it.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/libraries/fw/editor/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/dusk/editor COMPONENT dev)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/tools/dusk-new/starter/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/dusk/starter COMPONENT dev
  USE_SOURCE_PERMISSIONS)

install(EXPORT duskTargets NAMESPACE dusk:: DESTINATION ${_dusk_cmake_dir} COMPONENT dev)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/duskConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/duskConfig.cmake
  INSTALL_DESTINATION ${_dusk_cmake_dir}
  PATH_VARS CMAKE_INSTALL_DATADIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/duskConfigVersion.cmake
  VERSION ${DUSK_PACKAGE_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/duskConfig.cmake ${CMAKE_BINARY_DIR}/package/duskConfigVersion.cmake
              ${CMAKE_SOURCE_DIR}/cmake/DuskEffects.cmake ${CMAKE_SOURCE_DIR}/cmake/DuskProduction.cmake
              ${CMAKE_SOURCE_DIR}/cmake/WriteVersion.cmake
  DESTINATION ${_dusk_cmake_dir} COMPONENT dev)
