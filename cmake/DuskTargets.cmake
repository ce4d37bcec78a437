# Small helpers shared by every CMakeLists of the tree.

# dusk_glob_sources(<var> <dir>): every .cpp/.c below <dir>, re-globbed when files appear.
function(dusk_glob_sources var dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  list(FILTER srcs EXCLUDE REGEX "/tests?/")
  set(${var} ${srcs} PARENT_SCOPE)
endfunction()

# dusk_add_subdirectories(<dir>): add every direct subdirectory of <dir> that has a CMakeLists.txt.
function(dusk_add_subdirectories dir)
  file(GLOB children RELATIVE ${dir} CONFIGURE_DEPENDS ${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${dir}/${child} AND EXISTS ${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()
