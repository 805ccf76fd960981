# Installs the library from BUILD_DIR into a scratch prefix under WORK_DIR, compiles every
# installed header alone, then builds and runs the consumer through find_package(ZELMath) and
# through `pkg-config --cflags --libs` (as C++17 and as C++20).
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run_step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "step failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

run_step(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# 0. Each installed header, included alone, compiles without warnings: no installed header needs
# one that was not installed (only the public headers and what they include are), and none
# relies on another being included first. One translation unit per header, one compiler run.
set(incdir ${prefix}/include/zelmath)
file(GLOB_RECURSE installed RELATIVE ${incdir} ${incdir}/*.h)
# The MPI runner needs MPI's include path; the MPI tests compile it with ZELMath::mpi.
list(FILTER installed EXCLUDE REGEX "MPI\\.h$")
list(LENGTH installed count)
if(count LESS 10 OR NOT EXISTS ${incdir}/ZELMath.h)
  message(FATAL_ERROR "the headers were not installed under ${incdir}")
endif()
# Internal headers that only .cpp files use stay out.
foreach(internal protectedinterfaces/internal/ZELLUKernels.h protectedinterfaces/internal/ZELLUReportSites.h
    ZELSimTimeMD.m/src/internal/ZELSimTimeReportSites.h ZELRandomMD.m/src/internal/ZELRandomReportSites.h
    kinematics/internal/ZELKinematicsReportSites.h kinematics/internal/ZELSpatial.h)
  if(EXISTS ${incdir}/${internal})
    message(FATAL_ERROR "${internal} is internal to the library and must not be installed")
  endif()
endforeach()
set(units0 "")
set(units1 "")
set(n 0)
foreach(header IN LISTS installed)
  math(EXPR n "${n} + 1")
  math(EXPR half "${n} % 2")
  file(WRITE ${WORK_DIR}/alone/h${n}.cpp "#include \"${header}\"\n")
  list(APPEND units${half} ${WORK_DIR}/alone/h${n}.cpp)
endforeach()
separate_arguments(alone_flags UNIX_COMMAND "${CXX_FLAGS}")
set(compile ${CXX} ${alone_flags} -std=c++17 -fsyntax-only -Wall -Wextra -Wpedantic -Werror
  -ffp-contract=off -DZELMATH_FP_CONTRACT_OFF -I${incdir})
# Two compiler runs side by side (the commands of one execute_process run concurrently).
execute_process(COMMAND ${compile} ${units0} COMMAND ${compile} ${units1}
  RESULTS_VARIABLE results ERROR_VARIABLE err)
if(NOT results STREQUAL "0;0")
  message(FATAL_ERROR "an installed header does not compile alone (${results}):\n${err}")
endif()
message(STATUS "${count} installed headers compile alone")

# 1. The CMake package.
run_step(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake-build -G ${GENERATOR}
  -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_CXX_FLAGS=${CXX_FLAGS} -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_BUILD_TYPE=Release)
run_step(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run_step(${WORK_DIR}/cmake-build/consumer)

# 2. pkg-config, with the .pc file found through PKG_CONFIG_PATH only.
file(GLOB pc_file ${prefix}/*/pkgconfig/zelmath.pc ${prefix}/*/*/pkgconfig/zelmath.pc)
if(NOT pc_file)
  message(FATAL_ERROR "zelmath.pc was not installed")
endif()
get_filename_component(pc_dir ${pc_file} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
run_step(pkg-config --cflags --libs zelmath)
string(STRIP "${step_output}" pc_flags)
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra_flags UNIX_COMMAND "${CXX_FLAGS}")
get_filename_component(libdir ${pc_dir} DIRECTORY)
# pkg-config sets no language level: the program chooses C++17 or later (as C++20 it uses
# std::span, so flags that lowered the level would break the build).
foreach(level 17 20)
  set(define "")
  if(level EQUAL 20)
    set(define -DZELMATH_CONSUMER_CXX20)
  endif()
  run_step(${CXX} ${extra_flags} -std=c++${level} ${define} ${SOURCE_DIR}/consumer.cpp
    ${pc_flags} -Wl,-rpath,${libdir} -o ${WORK_DIR}/consumer-pc-${level})
  run_step(${WORK_DIR}/consumer-pc-${level})
endforeach()
