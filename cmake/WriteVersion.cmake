# dusk_describe_version(<out-var> <git> <source-dir>): the tree's `git describe`, or "unknown"
# outside a git checkout (an exported source tree still builds).
# Run as a script (-P) with GIT, SOURCE_DIR and HEADER, it writes the version header.
function(dusk_describe_version out git source_dir)
  set(version unknown)
  if(git)
    execute_process(COMMAND ${git} describe --tags --always --dirty
      WORKING_DIRECTORY ${source_dir}
      OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE result ERROR_QUIET)
    if(result EQUAL 0 AND described)
      set(version ${described})
    endif()
  endif()
  set(${out} ${version} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND HEADER)
  dusk_describe_version(version "${GIT}" "${SOURCE_DIR}")
  set(text "// Written by the build from `git describe`; not kept in git.\n#pragma once\n#define DUSK_VERSION \"${version}\"\n")
  set(old "")
  if(EXISTS ${HEADER})
    file(READ ${HEADER} old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE ${HEADER} "${text}")
  endif()
endif()
