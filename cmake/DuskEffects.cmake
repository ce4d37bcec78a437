# dusk_compile_effects(<target> OUTPUT_DIR <dir> [INCLUDE_DIRS <dir>...] FILES <effect>...)
# Compiles each effect file into <dir>/<name>o (rtype.fx -> rtype.fxo) with dusk-effect at build
# time, includes looked up in INCLUDE_DIRS in order; a pass that glslang rejects fails the build.
# <target> is a custom target built by default; make programs depend on it to have the files.
# Include this file before calling; the dusk-effect target itself may be defined later.
# DUSK_EFFECT_COMMAND names the compiler's target: dusk-effect in this tree, the imported
# dusk::effect for a production built against the installed framework.
include_guard(GLOBAL)

find_program(DUSK_GLSLANG_VALIDATOR glslangValidator)

function(dusk_compile_effects target)
  cmake_parse_arguments(ARG "" "OUTPUT_DIR" "INCLUDE_DIRS;FILES" ${ARGN})
  if(NOT ARG_OUTPUT_DIR OR NOT ARG_FILES)
    message(FATAL_ERROR "dusk_compile_effects(${target}): OUTPUT_DIR and FILES are required")
  endif()
  if(NOT DUSK_GLSLANG_VALIDATOR)
    message(FATAL_ERROR "glslangValidator was not found: install glslang-tools")
  endif()
  if(NOT DEFINED DUSK_EFFECT_COMMAND)
    set(DUSK_EFFECT_COMMAND dusk-effect)
  endif()
  set(include_args)
  set(include_deps)
  foreach(dir ${ARG_INCLUDE_DIRS})
    get_filename_component(dir_abs ${dir} ABSOLUTE)
    list(APPEND include_args --include-dir ${dir_abs})
    file(GLOB shaders CONFIGURE_DEPENDS ${dir_abs}/*.fx ${dir_abs}/*.fxi ${dir_abs}/*.glsl)
    list(APPEND include_deps ${shaders})
  endforeach()
  set(outputs)
  foreach(effect ${ARG_FILES})
    get_filename_component(effect_abs ${effect} ABSOLUTE)
    get_filename_component(effect_name ${effect} NAME)
    get_filename_component(effect_dir ${effect_abs} DIRECTORY)
    file(GLOB siblings CONFIGURE_DEPENDS ${effect_dir}/*.fxi)
    set(output ${ARG_OUTPUT_DIR}/${effect_name}o)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${ARG_OUTPUT_DIR}
      COMMAND ${DUSK_EFFECT_COMMAND} --validator ${DUSK_GLSLANG_VALIDATOR} ${include_args} -o ${output} ${effect_abs}
      DEPENDS ${DUSK_EFFECT_COMMAND} ${effect_abs} ${include_deps} ${siblings}
      COMMENT "Compiling effect ${effect_name}"
      VERBATIM)
    list(APPEND outputs ${output})
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()
