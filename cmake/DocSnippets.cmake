# The examples of the user guide and the README are tests, so the documentation cannot drift
# from the library. In docs/guide.md and README.md:
#   ```cpp snippet=<name>   a complete program;
#   ```cpp body=<name>      the body of main(), compiled after #include <ZELMath.h>, <cmath>
#                           and <iostream>;
#   ```text output=<name>   what program <name> prints, compared character for character.
# Each program becomes the executable <doc>_<name> and the test of the same name (label `docs`).
set(ZELMATH_DOC_SNIPPET_DIR ${CMAKE_CURRENT_BINARY_DIR}/doc_snippets)

# Sets `body` in the caller to the text of the fenced block opened by "```<opener>" (empty and
# `found` FALSE when there is none).
function(zelmath_fenced_block text opener found body)
  set(${found} FALSE PARENT_SCOPE)
  string(FIND "${text}" "\n```${opener}\n" start)
  if(start EQUAL -1)
    return()
  endif()
  string(LENGTH "\n```${opener}\n" opener_length)
  math(EXPR start "${start} + ${opener_length}")
  string(SUBSTRING "${text}" ${start} -1 rest)
  string(FIND "${rest}" "```\n" end)
  if(end EQUAL -1)
    message(FATAL_ERROR "the fenced block `${opener}` is not closed")
  endif()
  string(SUBSTRING "${rest}" 0 ${end} block)
  set(${body} "${block}" PARENT_SCOPE)
  set(${found} TRUE PARENT_SCOPE)
endfunction()

# Writes `content` to `file` only when it changed, so unchanged snippets are not rebuilt.
function(zelmath_write_if_changed file content)
  file(WRITE ${file}.new "${content}")
  configure_file(${file}.new ${file} COPYONLY)
endfunction()

function(zelmath_doc_snippets doc prefix)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${doc})
  file(READ ${doc} text)
  string(REGEX MATCHALL "\n```cpp (snippet|body)=[A-Za-z0-9_]+\n" openers "${text}")
  foreach(opener IN LISTS openers)
    string(REGEX REPLACE "\n```cpp (snippet|body)=([A-Za-z0-9_]+)\n" "\\1;\\2" kind_name "${opener}")
    list(GET kind_name 0 kind)
    list(GET kind_name 1 name)
    set(target ${prefix}_${name})
    set(source ${ZELMATH_DOC_SNIPPET_DIR}/${target}.cpp)
    zelmath_fenced_block("${text}" "cpp ${kind}=${name}" found code)
    if(kind STREQUAL "body")
      set(code "#include <ZELMath.h>\n\n#include <cmath>\n#include <iostream>\n\nint main() {\n${code}}\n")
    endif()
    zelmath_write_if_changed(${source} "${code}")
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE ZELMath::ZELMath zelmath_warnings)
    zelmath_fenced_block("${text}" "text output=${name}" has_output expected)
    if(has_output)
      zelmath_write_if_changed(${ZELMATH_DOC_SNIPPET_DIR}/${target}.out "${expected}")
      add_test(NAME ${target} COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}>
        -DEXPECTED=${ZELMATH_DOC_SNIPPET_DIR}/${target}.out
        -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckOutput.cmake)
    else()
      add_test(NAME ${target} COMMAND ${target})
    endif()
    set_tests_properties(${target} PROPERTIES LABELS docs)
  endforeach()
endfunction()

zelmath_doc_snippets(${CMAKE_CURRENT_SOURCE_DIR}/docs/guide.md guide)
zelmath_doc_snippets(${CMAKE_CURRENT_SOURCE_DIR}/README.md readme)
