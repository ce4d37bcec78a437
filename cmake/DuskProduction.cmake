# dusk_add_production(<name> SOURCES <file>... [SHADERS <effect>...])
# For a production in the standalone layout (src/ and data/ in its folder, the program run from
# there), built against the installed framework:
# - the program <name>, linked to dusk::fw and dusk::tools (which it carries only when its main()
#   calls fw_UseTools()), with src/ on its include path;
# - dusk_Version.h with DUSK_VERSION, the production folder's `git describe` ("unknown" outside
#   git), rewritten at every build when it changes, for fw_Main's --version;
# - its effects compiled and checked by glslang at build time (a pass that fails fails the
#   build); the program itself loads the sources from src/shaders, so live mode can rebuild them;
# - the framework's shaders copied into src/shaders, where the standalone layout looks for them;
# - the timeline page (--live --editor) copied into editor/, where the framework root's is;
# - the audio library and the software rasteriser's module beside the program, where it loads
#   them at run time;
# - tracks/*.txt compiled into data/sync by the production's tracks/compile, when it has one.
include_guard(GLOBAL)
find_package(Git QUIET)

function(dusk_add_production name)
  cmake_parse_arguments(ARG "" "" "SOURCES;SHADERS" ${ARGN})
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "dusk_add_production(${name}): SOURCES is required")
  endif()
  set(root ${CMAKE_CURRENT_SOURCE_DIR})
  set(shaders ${root}/src/shaders)

  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${root}/src)
  target_link_libraries(${name} PRIVATE dusk::fw dusk::tools)
  set(version_dir ${CMAKE_CURRENT_BINARY_DIR}/${name}_generated)
  add_custom_target(${name}_version
    COMMAND ${CMAKE_COMMAND} -DGIT=${GIT_EXECUTABLE} -DSOURCE_DIR=${root} -DHEADER=${version_dir}/dusk_Version.h
            -P ${DUSK_VERSION_SCRIPT}
    BYPRODUCTS ${version_dir}/dusk_Version.h
    COMMENT "Reading the version of ${name} from git"
    VERBATIM)
  add_dependencies(${name} ${name}_version)
  target_include_directories(${name} PRIVATE ${version_dir})
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:dusk::bass> $<TARGET_FILE:dusk::d3d10warp>
            $<TARGET_FILE_DIR:${name}>
    COMMENT "Putting the run-time modules beside ${name}"
    VERBATIM)

  set(copies)
  foreach(file fw_Globals.fxi fw_PostEffects.fx fw_PostEffects.fxo)
    add_custom_command(OUTPUT ${shaders}/${file}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${shaders}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${DUSK_SHADER_DIR}/${file} ${shaders}/${file}
      DEPENDS ${DUSK_SHADER_DIR}/${file}
      VERBATIM)
    list(APPEND copies ${shaders}/${file})
  endforeach()
  add_custom_target(${name}_framework_shaders ALL DEPENDS ${copies})
  if(DUSK_EDITOR_DIR AND EXISTS ${DUSK_EDITOR_DIR})
    add_custom_target(${name}_editor_page ALL
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${DUSK_EDITOR_DIR} ${root}/editor
      COMMENT "Putting the timeline page beside ${name}"
      VERBATIM)
    add_dependencies(${name} ${name}_editor_page)
  endif()
  add_dependencies(${name} ${name}_framework_shaders)

  if(ARG_SHADERS)
    dusk_compile_effects(${name}_shaders
      OUTPUT_DIR ${CMAKE_CURRENT_BINARY_DIR}/shaders
      INCLUDE_DIRS ${DUSK_SHADER_DIR} ${shaders}
      FILES ${ARG_SHADERS})
    add_dependencies(${name} ${name}_shaders)
  endif()

  if(EXISTS ${root}/tracks/compile)
    file(GLOB track_sources CONFIGURE_DEPENDS ${root}/tracks/*.txt)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}_tracks.stamp)
    add_custom_command(OUTPUT ${stamp}
      COMMAND ${root}/tracks/compile $<TARGET_FILE:dusk::track>
      COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
      DEPENDS ${track_sources} ${root}/tracks/compile
      COMMENT "Compiling the tracks of ${name}"
      VERBATIM)
    add_custom_target(${name}_tracks ALL DEPENDS ${stamp})
    add_dependencies(${name} ${name}_tracks)
  endif()
endfunction()
