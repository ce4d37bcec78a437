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

# dusk_package_version(<out-var> <git> <source-dir>): the numeric version a CMake package needs,
# from the nearest tag of the form [v]MAJOR[.MINOR[.PATCH]]: "v1.2" gives 1.2.0, and 3 commits
# after it 1.2.0.3. Without git, without a tag, or with a tag of another form it is 0.0.0; a
# commit hash is never read as a number.
function(dusk_package_version out git source_dir)
  set(version 0.0.0)
  if(git)
    execute_process(COMMAND ${git} describe --tags --abbrev=0
      WORKING_DIRECTORY ${source_dir}
      OUTPUT_VARIABLE tag OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE result ERROR_QUIET)
    if(result EQUAL 0 AND tag MATCHES "^v?([0-9]+)(\\.([0-9]+))?(\\.([0-9]+))?$")
      set(major "${CMAKE_MATCH_1}")
      set(minor "${CMAKE_MATCH_3}")
      set(patch "${CMAKE_MATCH_5}")
      if("${minor}" STREQUAL "")
        set(minor 0)
      endif()
      if("${patch}" STREQUAL "")
        set(patch 0)
      endif()
      set(version ${major}.${minor}.${patch})
      execute_process(COMMAND ${git} rev-list --count ${tag}..HEAD
        WORKING_DIRECTORY ${source_dir}
        OUTPUT_VARIABLE since OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE result ERROR_QUIET)
      if(result EQUAL 0 AND since MATCHES "^[1-9][0-9]*$")
        string(APPEND version .${since})
      endif()
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
