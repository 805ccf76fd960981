# The lists that name every distribution, checked against the one list that defines them: the
# headers ZELRandomMD.m/src/ZEL*Distribution.h (the abstract base ZELRNDistribution aside).
# Each class C (Python name P = C without "ZEL") must be
#   included by ZELMath.h, bound in Python (python/bind_*.cpp: `<C>` and "P" on one line),
#   declared in the stub python/zelmath/__init__.pyi (`class P(`), a row of the guide's table
#   (docs/guide.md: | `C` | `P` |), registered in the component test (expectComponent<C>),
#   named in the Python tests' table ("P") and used by examples/distributions.cpp.
# Usage: cmake -DSOURCE_DIR=<tree> -P tests/check_lists.cmake (run by ctest as `lists`).
cmake_minimum_required(VERSION 3.21)
if(NOT SOURCE_DIR)
  get_filename_component(SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
endif()

file(GLOB headers RELATIVE ${SOURCE_DIR}/ZELRandomMD.m/src ${SOURCE_DIR}/ZELRandomMD.m/src/ZEL*Distribution.h)
list(REMOVE_ITEM headers ZELRNDistribution.h)
list(LENGTH headers count)
if(count LESS 1)
  message(FATAL_ERROR "no distribution headers found under ${SOURCE_DIR}/ZELRandomMD.m/src")
endif()

file(READ ${SOURCE_DIR}/ZELMath.h umbrella)
file(GLOB binding_files ${SOURCE_DIR}/python/bind_*.cpp)
set(bindings "")
foreach(f IN LISTS binding_files)
  file(READ ${f} text)
  string(APPEND bindings "${text}\n")
endforeach()
file(READ ${SOURCE_DIR}/python/zelmath/__init__.pyi stub)
file(READ ${SOURCE_DIR}/docs/guide.md guide)
file(READ ${SOURCE_DIR}/tests/test_component.cpp component)
file(READ ${SOURCE_DIR}/python/tests/test_zelmath.py pytests)
file(READ ${SOURCE_DIR}/examples/distributions.cpp example)

set(missing "")
# Records `cls` as missing from `where` unless `pattern` matches the text `var`.
function(expect where var pattern)
  string(REGEX MATCH "${pattern}" found "${${var}}")
  if(NOT found)
    list(APPEND missing "${cls} is missing from ${where}")
    set(missing "${missing}" PARENT_SCOPE)
  endif()
endfunction()
foreach(header IN LISTS headers)
  string(REGEX REPLACE "\\.h$" "" cls ${header})
  string(REGEX REPLACE "^ZEL" "" py ${cls})
  expect(ZELMath.h umbrella "#include \"ZELRandomMD.m/src/${header}\"")
  expect(python/bind_*.cpp bindings "<${cls}>\\([ \n]*m,[ \n]*\"${py}\"")
  expect(python/zelmath/__init__.pyi stub "\nclass ${py}\\(")
  expect(docs/guide.md guide "\n\\| `${cls}` \\| `${py}` \\|")
  expect(tests/test_component.cpp component "expectComponent<${cls}>")
  expect(python/tests/test_zelmath.py pytests "\"${py}\"")
  expect(examples/distributions.cpp example "${cls}[ (]")
endforeach()

if(missing)
  string(REPLACE ";" "\n  " text "${missing}")
  message(FATAL_ERROR "the distribution lists have drifted from the headers:\n  ${text}")
endif()
message(STATUS "${count} distributions, each in all 7 lists")
