# The user guide's examples are tests: every ```cpp block of docs/guide.md whose info string is
# `cpp snippet=<name>` becomes the program guide_<name>, run by ctest (label `guide`). When the
# guide also has a ```text block with info string `text output=<name>`, the program's standard
# output must equal that block exactly.
set(ZELMATH_GUIDE ${CMAKE_CURRENT_SOURCE_DIR}/docs/guide.md)
set(ZELMATH_GUIDE_DIR ${CMAKE_CURRENT_BINARY_DIR}/guide)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZELMATH_GUIDE})
file(READ ${ZELMATH_GUIDE} guide_text)

# Writes the body of the fenced block opened by `opener` into `file`; sets `found` in the caller.
function(zelmath_extract_block text opener file found)
  string(FIND "${text}" "\n```${opener}\n" start)
  if(start EQUAL -1)
    set(${found} FALSE PARENT_SCOPE)
    return()
  endif()
  string(LENGTH "\n```${opener}\n" opener_length)
  math(EXPR start "${start} + ${opener_length}")
  string(SUBSTRING "${text}" ${start} -1 rest)
  string(FIND "${rest}" "```\n" end)
  if(end EQUAL -1)
    message(FATAL_ERROR "docs/guide.md: the block `${opener}` is not closed")
  endif()
  string(SUBSTRING "${rest}" 0 ${end} body)
  file(WRITE ${file}.new "${body}")
  configure_file(${file}.new ${file} COPYONLY)
  set(${found} TRUE PARENT_SCOPE)
endfunction()

string(REGEX MATCHALL "\n```cpp snippet=[A-Za-z0-9_]+\n" openers "${guide_text}")
foreach(opener IN LISTS openers)
  string(REGEX REPLACE "\n```cpp snippet=([A-Za-z0-9_]+)\n" "\\1" name "${opener}")
  zelmath_extract_block("${guide_text}" "cpp snippet=${name}" ${ZELMATH_GUIDE_DIR}/${name}.cpp found)
  add_executable(guide_${name} ${ZELMATH_GUIDE_DIR}/${name}.cpp)
  target_link_libraries(guide_${name} PRIVATE ZELMath::ZELMath zelmath_warnings)
  zelmath_extract_block("${guide_text}" "text output=${name}" ${ZELMATH_GUIDE_DIR}/${name}.out has_output)
  if(has_output)
    add_test(NAME guide_${name} COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:guide_${name}>
      -DEXPECTED=${ZELMATH_GUIDE_DIR}/${name}.out -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckOutput.cmake)
  else()
    add_test(NAME guide_${name} COMMAND guide_${name})
  endif()
  set_tests_properties(guide_${name} PROPERTIES LABELS guide)
endforeach()
