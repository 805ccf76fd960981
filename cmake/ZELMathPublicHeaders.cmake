# zelmath_public_headers(<out-var> <source-dir> <root-header>...)
#
# The headers a consumer needs: the roots and every library header they include, followed
# through `#include "..."` lines that name a file of the source tree. A header no public header
# reaches (an internal header used only by .cpp files, such as the LU kernels or a family's
# report sites) is left out, so the installed set cannot drift from what the public headers use.
function(zelmath_public_headers out source_dir)
  set(todo ${ARGN})
  set(seen "")
  while(todo)
    list(POP_FRONT todo rel)
    if(rel IN_LIST seen OR NOT EXISTS ${source_dir}/${rel})
      continue()
    endif()
    list(APPEND seen ${rel})
    file(STRINGS ${source_dir}/${rel} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" inc "${line}")
      list(APPEND todo ${inc})
    endforeach()
  endwhile()
  list(SORT seen)
  set(${out} ${seen} PARENT_SCOPE)
endfunction()
