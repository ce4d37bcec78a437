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

# dusk_debian_version(<out-var> <git> <source-dir>): the package's Debian version, which dpkg
# orders as the commits were made. A tag's describe "v1.2-3-gabc" gives 1.2+3+gabc; a tree without
# a version tag gives 0~gitYYYYMMDD.HHMMSS.HASH from its commit's date (UTC), which orders by that
# date (a bare hash orders by chance) and below every tagged version; a dirty tree adds +dirty.
# Outside git: 0~unknown. The Debian revision (-1) is the packager's, added where the package is made.
function(dusk_debian_version out git source_dir)
  if(NOT git)
    set(${out} "0~unknown" PARENT_SCOPE)
    return()
  endif()
  execute_process(COMMAND ${git} describe --tags --always --dirty
    WORKING_DIRECTORY ${source_dir}
    OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE result ERROR_QUIET)
  if(NOT result EQUAL 0)
    set(${out} "0~unknown" PARENT_SCOPE)
    return()
  endif()
  set(dirty "")
  if(described MATCHES "-dirty$")
    set(dirty "+dirty")
  endif()
  # The nearest tag, with the commits since it and the commit's hash (a bare hash looks like a
  # number when it starts with a digit, so it is never read from the short form).
  execute_process(COMMAND ${git} describe --tags --long
    WORKING_DIRECTORY ${source_dir}
    OUTPUT_VARIABLE long OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE result ERROR_QUIET)
  if(result EQUAL 0 AND long MATCHES "^v?([0-9][0-9A-Za-z.]*)-([0-9]+)-g([0-9a-f]+)$")
    set(version "${CMAKE_MATCH_1}")
    if(NOT CMAKE_MATCH_2 EQUAL 0)
      string(APPEND version "+${CMAKE_MATCH_2}+g${CMAKE_MATCH_3}")
    endif()
  else()
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
        ${git} log -1 --format=%cd.%h --date=format-local:%Y%m%d.%H%M%S
      WORKING_DIRECTORY ${source_dir}
      OUTPUT_VARIABLE stamp OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE result ERROR_QUIET)
    if(NOT result EQUAL 0 OR NOT stamp MATCHES "^[0-9]+\\.[0-9]+\\.[0-9a-f]+$")
      set(stamp "0.0.unknown")
    endif()
    set(version "0~git${stamp}")
  endif()
  set(${out} "${version}${dirty}" PARENT_SCOPE)
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
