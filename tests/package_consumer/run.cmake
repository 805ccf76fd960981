# Installs the library from BUILD_DIR into a scratch prefix under WORK_DIR, compiles every
# installed header alone, then builds and runs the consumer through find_package(ZELMath) and
# through `pkg-config --cflags --libs` (as C++17 and as C++20). With MPI_RUN (the command that
# starts two ranks, its items separated by `|`; set when the build has the MPI component), the
# MPI consumer too, through the package's component mpi and through pkg-config zelmath-mpi.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run_step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "step failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

# Configures the consumer in WORK_DIR/`dir` with the arguments after `reason` and expects the
# configuration to fail, printing `reason` (a regular expression).
function(expect_configure_failure dir reason)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/${dir} -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix} ${ARGN}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " text "${out} ${err}")   # CMake wraps the reason's lines
  if(rc EQUAL 0 OR NOT text MATCHES "${reason}")
    message(FATAL_ERROR "find_package(ZELMath) with ${ARGN} should fail with \"${reason}\":\n${out}\n${err}")
  endif()
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
# Sets `out` to the flags of pkg-config `module`, each of whose -I and -L directories must exist.
function(pc_flags module out)
  run_step(pkg-config --cflags --libs ${module})
  string(STRIP "${step_output}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  foreach(flag IN LISTS flags)
    if(flag MATCHES "^-[IL](.+)")
      if(NOT IS_DIRECTORY "${CMAKE_MATCH_1}")
        message(FATAL_ERROR "pkg-config ${module} names a directory that does not exist: ${flag}")
      endif()
    endif()
  endforeach()
  set(${out} ${flags} PARENT_SCOPE)
endfunction()
pc_flags(zelmath pc_flags)
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

# 3. The MPI consumer, on two ranks: through find_package(ZELMath ... COMPONENTS mpi) and through
# pkg-config zelmath-mpi, compiled by the plain compiler (not MPI's wrapper); both print the same.
# A component the installation lacks, or does not have at all, fails find_package with a reason.
expect_configure_failure(cmake-bogus "ZELMath has no component \"bogus\" \\(its one component is mpi\\)"
  -DZELMATH_CONSUMER_COMPONENTS=bogus)
file(GLOB mpi_targets ${prefix}/*/cmake/ZELMath/ZELMathMPITargets.cmake ${prefix}/*/*/cmake/ZELMath/ZELMathMPITargets.cmake)
if(NOT MPI_RUN)
  message(STATUS "MPI consumer skipped: the library was built without its MPI component (no MPI for C++ found, or ZELMATH_BUILD_MPI=OFF)")
  if(mpi_targets)
    message(FATAL_ERROR "the MPI component was installed by a build without it")
  endif()
  expect_configure_failure(cmake-no-mpi "this installation of ZELMath has no MPI component"
    -DZELMATH_CONSUMER_COMPONENTS=mpi)
  return()
endif()
if(NOT mpi_targets)
  message(FATAL_ERROR "the MPI component was not installed")
endif()
string(REPLACE "|" ";" mpi_run "${MPI_RUN}")
# Open MPI keeps its start-up allocations for the life of the process: in a build with
# AddressSanitizer they would count as leaks (leak detection is off for the MPI tests too).
if(DEFINED ENV{ASAN_OPTIONS})
  set(ENV{ASAN_OPTIONS} "$ENV{ASAN_OPTIONS}:detect_leaks=0")
else()
  set(ENV{ASAN_OPTIONS} detect_leaks=0)
endif()
run_step(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake-mpi -G ${GENERATOR}
  -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_CXX_FLAGS=${CXX_FLAGS} -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_BUILD_TYPE=Release -DZELMATH_CONSUMER_COMPONENTS=mpi)
run_step(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-mpi)
run_step(${mpi_run} ${WORK_DIR}/cmake-mpi/consumer_mpi)
set(mpi_reference "${step_output}")
if(NOT mpi_reference MATCHES "^0x[^ ]+ 0x[^ ]+\n$")
  message(FATAL_ERROR "the MPI consumer printed \"${mpi_reference}\" instead of two means")
endif()
pc_flags(zelmath-mpi mpi_flags)
run_step(${CXX} ${extra_flags} -std=c++17 ${SOURCE_DIR}/consumer_mpi.cpp ${mpi_flags}
  -Wl,-rpath,${libdir} -o ${WORK_DIR}/consumer-mpi-pc)
run_step(${mpi_run} ${WORK_DIR}/consumer-mpi-pc)
if(NOT step_output STREQUAL mpi_reference)
  message(FATAL_ERROR "the MPI consumer built with pkg-config printed ${step_output}, not ${mpi_reference}")
endif()
message(STATUS "MPI consumer (component mpi and pkg-config zelmath-mpi, two ranks): ${mpi_reference}")
# Where MPI is not found, or the installation has no MPI targets, the component is missing and
# find_package says why.
expect_configure_failure(cmake-mpi-not-found "the component mpi is not available: MPI for C\\+\\+ was not found"
  -DZELMATH_CONSUMER_COMPONENTS=mpi -DCMAKE_DISABLE_FIND_PACKAGE_MPI=ON)
file(RENAME ${mpi_targets} ${mpi_targets}.away)
expect_configure_failure(cmake-no-mpi "this installation of ZELMath has no MPI component"
  -DZELMATH_CONSUMER_COMPONENTS=mpi)
file(RENAME ${mpi_targets}.away ${mpi_targets})
